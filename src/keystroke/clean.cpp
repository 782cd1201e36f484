// Reading one Key Stroke row from its stored, hand-editable form.
#include <limits>

#include "common/letter_case.h"
#include "common/loose_value.h"
#include "keystroke/rules.h"

namespace KSRules {
namespace {

// The entry under `key`, or nothing when it is missing or the stored row is not an object.
const nlohmann::json* entry(const nlohmann::json& stored, const char* key) {
  if (!stored.is_object()) return nullptr;
  const auto found = stored.find(key);
  return found == stored.end() ? nullptr : &*found;
}

const nlohmann::json& orNull(const nlohmann::json* v) {
  static const nlohmann::json null;
  return v ? *v : null;
}

}  // namespace

Cleaned clean(const nlohmann::json& stored) {
  const auto* kindEntry = entry(stored, "kind");
  const std::string kind = kindEntry ? loose::textOf(*kindEntry) : "key";
  if (kind != "key" && !special(kind)) return {std::nullopt, "unknown kind: " + kind};

  const auto cc = readInt(orNull(entry(stored, "cc")), 0, 127);
  if (!cc) return {std::nullopt, "the MIDI number must be from 0 to 127"};

  KSRow row;
  row.kind = kind;
  row.cc = static_cast<int>(*cc);
  row.id = readInt(orNull(entry(stored, "id")), std::numeric_limits<std::int64_t>::min(),
                   std::numeric_limits<std::int64_t>::max())
               .value_or(0);
  row.type = std::string(type(orNull(entry(stored, "type"))));
  const auto& on = orNull(entry(stored, "on"));
  row.on = on.is_boolean() ? on.get<bool>() : true;
  const auto* noteEntry = entry(stored, "note");
  row.note = noteEntry ? loose::textOf(*noteEntry) : "";
  const auto& led = orNull(entry(stored, "led"));
  row.led = led.is_boolean() && led.get<bool>();

  const auto* s = special(kind);
  if (!(s && s->sweep)) row.value = value(orNull(entry(stored, "value")));

  if (kind == "key") {
    const auto* keyEntry = entry(stored, "key");
    if (keyEntry && !keyEntry->is_null()) {
      // Key names are ASCII; a key that is one character of any script is lowered by Unicode's rules.
      auto key = letterCase::lowerOne(loose::lowered(loose::textOf(*keyEntry)));
      if (!key.empty()) row.key = std::move(key);
    }
    row.mods = mods(orNull(entry(stored, "mods")));
  }
  return {std::move(row), ""};
}

}  // namespace KSRules
