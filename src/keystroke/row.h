// One row of the Key Stroke table: a MIDI message that presses a key with modifiers, or sets the volume.
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

namespace KSRules {

struct KSRow {
  std::int64_t id = 0;
  int cc = 0;                      // the controller number of a CC row, the note number of a note row
  std::string type = "cc";         // "cc" or "note"
  std::string kind = "key";        // "key", or a special kind such as "volume"
  std::optional<int> value;        // absent: any value
  std::optional<std::string> key;  // lower case; absent until a key is chosen
  std::vector<std::string> mods;   // a subset of MODS, in MODS order
  bool on = true;
  std::string note;
  bool led = false;

  // The stored form: "mods" is written for every key row, even empty; "value", "key" and "led" only when set.
  nlohmann::json dict() const;

  bool operator==(const KSRow&) const = default;
};

}  // namespace KSRules
