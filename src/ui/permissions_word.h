// The warning in the window's header while the system withholds a permission the application needs; a click
// asks the system for it again.
#pragma once

#include <memory>

#include "ui/subscription.h"
#include "ui/widgets.h"

class Permissions;

namespace ui {

// Hidden while nothing is missing; redrawn when the permissions watch says the list changed.
class PermissionsWord : public TextButton {
  Q_OBJECT

 public:
  // On Linux the one permission is Accessibility, an X display with XTEST: a click connects to it again.
  static constexpr const char* HELP =
      "A permission is missing: no X display with XTEST is reachable, so no key is pressed or captured. "
      "Click "
      "to try the display again; Orvane VUDA Verer must run in an X11 session (or XWayland) named by DISPLAY";

  // Made inside its parent: a word without one would open as a window of its own when it shows.
  PermissionsWord(std::shared_ptr<Permissions> permissions, QWidget* parent);

 private:
  void redraw();

  std::weak_ptr<Permissions> permissions_;
  Subscription subscription_;
};

}  // namespace ui
