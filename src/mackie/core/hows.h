// The ways a row can play its command, by command kind. The first choice is the default, except for the held
// modifiers.
#pragma once

#include <array>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "mackie/core/choice.h"

namespace MKRules {

using MKMCU::MKChoice;

// Keyed by command kind; "combo" stands for any button that holds modifiers around its note.
const std::map<std::string, std::vector<MKChoice>, std::less<>>& HOWS();

// Modifiers are held by default rather than pressed and released.
inline constexpr std::array<std::string_view, 4> HOLD_FIRST = {"shift", "option", "control", "alt"};

// Whether a relative knob is turned round by default, by kind. The jog wheel's sense is reversed in Live.
inline constexpr std::array<std::pair<std::string_view, bool>, 2> INVERT_FIRST = {
    {{"jog", true}, {"vpot", false}}};

}  // namespace MKRules
