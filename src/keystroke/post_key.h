// Posting one key stroke: the key's code from the table, the modifiers as flags on a key-down and a key-up.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/key_output.h"

namespace KSRules {

// Presses and releases the named key unless `dry`. Answers the message for the status line when the key has
// no code (also in dry mode) or posting is not allowed (with the output's advice, when it has one); nothing
// otherwise.
std::optional<std::string> postKey(KeyOutput& output, std::string_view key,
                                   const std::vector<std::string>& mods, bool dry);

}  // namespace KSRules
