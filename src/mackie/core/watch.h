// What the MIDI monitor shows: one line of text per received message, which system messages it hides,
// and how long ago something happened.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "common/system_messages.h"
#include "mackie/core/raw.h"

namespace MKWatch {

inline constexpr const auto& QUIET = systemMessages::QUIET;
inline constexpr const auto& SYS = systemMessages::SYS;

// True for a system message the monitor never shows.
bool quiet(const MKMCU::MKRaw& raw);

// The monitor line for a message, e.g. "NOTE 60 = 100   ch 1" or "SYSTEM F4".
std::string describe(const MKMCU::MKRaw& raw);

}  // namespace MKWatch

// How long ago `time` was, as of `now` (both in seconds): "just now", "12 s ago", "5 min ago", "3 h ago";
// empty when there is no time or either value is not finite.
std::string mkAgo(std::optional<double> time, double now);
