// What the MIDI monitor shows: one line of text per received message, which system messages it hides,
// and how long ago something happened.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "mackie/core/raw.h"

namespace MKWatch {

// System messages that arrive many times a second and would bury everything else.
inline constexpr std::array<int, 3> QUIET = {0xF8, 0xFE, 0xF1};

struct SysName {
  int status;
  std::string_view name;
};

inline constexpr std::array<SysName, 8> SYS = {{
    {0xFA, "START"},
    {0xFB, "CONTINUE"},
    {0xFC, "STOP"},
    {0xF2, "SONG POSITION"},
    {0xF0, "SYSEX"},
    {0xF3, "SONG SELECT"},
    {0xF6, "TUNE REQUEST"},
    {0xFF, "RESET"},
}};

// True for a system message the monitor never shows.
bool quiet(const MKMCU::MKRaw& raw);

// The monitor line for a message, e.g. "NOTE 60 = 100   ch 1" or "SYSTEM F4".
std::string describe(const MKMCU::MKRaw& raw);

}  // namespace MKWatch

// How long ago `time` was, as of `now` (both in seconds): "just now", "12 s ago", "5 min ago", "3 h ago";
// empty when there is no time or either value is not finite.
std::string mkAgo(std::optional<double> time, double now);
