// The stored form of an MK row.
#include "mackie/core/row.h"

namespace MKRules {

nlohmann::json MKRow::dict() const {
  nlohmann::json d = {
      {"id", id},   {"from", from}, {"number", number}, {"command", command},
      {"how", how}, {"on", on},     {"note", note},
  };
  if (value) d["value"] = *value;
  if (invert) d["invert"] = *invert;
  if (led == true) d["led"] = true;
  return d;
}

}  // namespace MKRules
