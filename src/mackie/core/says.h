// The two texts that show a row: the name of its command, and a one-line description of what it does.
#pragma once

#include <string>

#include "mackie/core/row.h"

namespace MKRules {

// The label of the row's command; empty when the catalogue has no such command.
std::string target(const MKRow& row);

// What the row puts on the bus and how, with the command's help text and a warning where a knob would fire it
// on every value.
std::string says(const MKRow& row);

}  // namespace MKRules
