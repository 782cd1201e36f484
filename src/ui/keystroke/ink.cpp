// The section's dark scheme (see the header).
#include "ui/keystroke/ink.h"

namespace KSInk {

QPalette palette() {
  QPalette p;
  for (const auto group : {QPalette::Active, QPalette::Inactive}) {
    p.setColor(group, QPalette::Window, ground);
    p.setColor(group, QPalette::WindowText, sand);
    p.setColor(group, QPalette::Base, surface);
    p.setColor(group, QPalette::AlternateBase, slate);
    p.setColor(group, QPalette::Text, sand);
    p.setColor(group, QPalette::Button, surface);
    p.setColor(group, QPalette::ButtonText, sand);
    p.setColor(group, QPalette::Highlight, cy);
    p.setColor(group, QPalette::HighlightedText, ground);
    p.setColor(group, QPalette::ToolTipBase, surface);
    p.setColor(group, QPalette::ToolTipText, sand);
    p.setColor(group, QPalette::PlaceholderText, dim);
  }
  p.setColor(QPalette::Disabled, QPalette::Window, ground);
  p.setColor(QPalette::Disabled, QPalette::Base, ground);
  p.setColor(QPalette::Disabled, QPalette::WindowText, dim);
  p.setColor(QPalette::Disabled, QPalette::Text, dim);
  p.setColor(QPalette::Disabled, QPalette::ButtonText, dim);
  return p;
}

}  // namespace KSInk
