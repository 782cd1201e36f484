// One row of the MK table, and one incoming message as the rules see it.
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

namespace MKRules {

struct MKRow {
  std::int64_t id = 0;
  std::string from = "cc";   // "cc" or "note"
  int number = 0;            // 0-127
  std::optional<int> value;  // absent: any value
  std::string command;       // a catalogue id
  std::string how;
  bool on = true;
  std::string note;            // the user's remark
  std::optional<bool> invert;  // only for relative commands
  std::optional<bool> led;     // only ever true or absent

  // The stored form: the keys that are always there, plus "value", "invert" and "led" when they apply.
  nlohmann::json dict() const;

  bool operator==(const MKRow&) const = default;
};

struct MKMsg {
  std::string from;  // "note" or "cc"
  int number = 0;
  int value = 0;
  std::optional<int> channel;  // 0-15; matching ignores it

  bool operator==(const MKMsg&) const = default;
};

}  // namespace MKRules
