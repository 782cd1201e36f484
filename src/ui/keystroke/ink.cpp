// The section's dark scheme (see the header).
#include "ui/keystroke/ink.h"

#include "ui/colours.h"

namespace KSInk {

QPalette palette() {
  return ui::darkPalette({ground, sand, surface, surface, sand, cy, ground, dim});
}

}  // namespace KSInk
