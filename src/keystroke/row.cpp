// The stored form of a Key Stroke row.
#include "keystroke/row.h"

namespace KSRules {

nlohmann::json KSRow::dict() const {
  nlohmann::json d = {{"id", id}, {"cc", cc}, {"type", type}, {"kind", kind}, {"on", on}, {"note", note}};
  if (value) d["value"] = *value;
  if (kind == "key") {
    d["mods"] = mods;
    if (key) d["key"] = *key;
  }
  if (led) d["led"] = true;
  return d;
}

}  // namespace KSRules
