// How long ago something happened, as the screens say it: "just now", "12 s ago", "5 min ago", "3 h ago".
#pragma once

#include <optional>
#include <string>

// Empty when there is no time, or either value is not finite; a time in the future is "just now".
std::string ageText(std::optional<double> time, double now);
