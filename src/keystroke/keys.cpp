// The key tables and modifier encodings (see the header).
#include "keystroke/keys.h"

#include <utility>

namespace {

std::map<std::string, std::uint16_t, std::less<>> buildKeys() {
  std::map<std::string, std::uint16_t, std::less<>> keys = {
      // Letters and digits, in key-code order as the hardware lays them out.
      {"a", 0},
      {"s", 1},
      {"d", 2},
      {"f", 3},
      {"h", 4},
      {"g", 5},
      {"z", 6},
      {"x", 7},
      {"c", 8},
      {"v", 9},
      {"b", 11},
      {"q", 12},
      {"w", 13},
      {"e", 14},
      {"r", 15},
      {"y", 16},
      {"t", 17},
      {"1", 18},
      {"2", 19},
      {"3", 20},
      {"4", 21},
      {"6", 22},
      {"5", 23},
      {"=", 24},
      {"9", 25},
      {"7", 26},
      {"-", 27},
      {"8", 28},
      {"0", 29},
      {"]", 30},
      {"o", 31},
      {"u", 32},
      {"[", 33},
      {"i", 34},
      {"p", 35},
      {"return", 36},
      {"l", 37},
      {"j", 38},
      {"'", 39},
      {"k", 40},
      {";", 41},
      {"\\", 42},
      {",", 43},
      {"/", 44},
      {"n", 45},
      {"m", 46},
      {".", 47},
      {"tab", 48},
      {"space", 49},
      {"`", 50},
      {"delete", 51},
      {"escape", 53},
      // Modifier keys themselves.
      {"rightcmd", 54},
      {"cmd", 55},
      {"shift", 56},
      {"capslock", 57},
      {"alt", 58},
      {"ctrl", 59},
      {"rightshift", 60},
      {"rightalt", 61},
      {"rightctrl", 62},
      {"fn", 63},
      // Keypad.
      {"pad.", 65},
      {"pad*", 67},
      {"pad+", 69},
      {"padclear", 71},
      {"pad/", 75},
      {"padenter", 76},
      {"pad-", 78},
      {"pad=", 81},
      {"pad0", 82},
      {"pad1", 83},
      {"pad2", 84},
      {"pad3", 85},
      {"pad4", 86},
      {"pad5", 87},
      {"pad6", 88},
      {"pad7", 89},
      {"pad8", 91},
      {"pad9", 92},
      // Navigation.
      {"help", 114},
      {"home", 115},
      {"pageup", 116},
      {"forwarddelete", 117},
      {"end", 119},
      {"pagedown", 121},
      {"left", 123},
      {"right", 124},
      {"down", 125},
      {"up", 126},
  };
  // Function keys f1 to f20: their codes follow no pattern.
  constexpr std::uint16_t functionKeys[] = {122, 120, 99,  118, 96,  97,  98, 100, 101, 109,
                                            103, 111, 105, 107, 113, 106, 64, 79,  80,  90};
  for (int i = 0; i < 20; ++i)
    keys.emplace("f" + std::to_string(i + 1), functionKeys[i]);
  return keys;
}

}  // namespace

const std::map<std::string, std::uint16_t, std::less<>>& KS_KEYS() {
  static const auto keys = buildKeys();
  return keys;
}

const std::map<std::uint16_t, std::string>& KS_KEYNAMES() {
  static const auto names = [] {
    std::map<std::uint16_t, std::string> out;
    for (const auto& [name, code] : KS_KEYS())
      out.emplace(code, name);
    return out;
  }();
  return names;
}

std::uint64_t ksFlags(const std::vector<std::string>& mods) {
  std::uint64_t flags = 0;
  for (const auto& m : mods) {
    if (m == "cmd") flags |= FLAG_COMMAND;
    if (m == "alt") flags |= FLAG_ALTERNATE;
    if (m == "shift") flags |= FLAG_SHIFT;
    if (m == "ctrl") flags |= FLAG_CONTROL;
    if (m == "fn") flags |= FLAG_SECONDARY_FN;
  }
  return flags;
}

Chord chordOf(const std::vector<std::string>& mods, std::uint32_t key) {
  constexpr std::pair<const char*, std::uint32_t> carbon[] = {
      {"cmd", 0x100}, {"shift", 0x200}, {"alt", 0x800}, {"ctrl", 0x1000}};
  Chord chord;
  chord.key = key;
  for (const auto& m : mods)
    for (const auto& [name, mask] : carbon)
      if (m == name) chord.carbon |= mask;
  chord.flags = ksFlags(mods) & ~FLAG_SECONDARY_FN;
  return chord;
}
