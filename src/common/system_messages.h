// MIDI system messages as both monitors treat them: the ones never shown, and the names of the others.
#pragma once

#include <algorithm>
#include <array>
#include <optional>
#include <string_view>

namespace systemMessages {

// Clock, active sensing and time code quarter frames arrive many times a second and would bury the rest.
inline constexpr std::array<int, 3> QUIET = {0xF8, 0xFE, 0xF1};

struct Name {
  int status;
  std::string_view name;
};

inline constexpr std::array<Name, 8> SYS = {{
    {0xFA, "START"},
    {0xFB, "CONTINUE"},
    {0xFC, "STOP"},
    {0xF2, "SONG POSITION"},
    {0xF0, "SYSEX"},
    {0xF3, "SONG SELECT"},
    {0xF6, "TUNE REQUEST"},
    {0xFF, "RESET"},
}};

inline bool quiet(int status) {
  return std::find(QUIET.begin(), QUIET.end(), status) != QUIET.end();
}

inline std::optional<std::string_view> name(int status) {
  for (const auto& s : SYS)
    if (s.status == status) return s.name;
  return std::nullopt;
}

}  // namespace systemMessages
