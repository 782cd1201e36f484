// The warning in the window's header while the system withholds a permission the application needs; a click
// leads the user to the page that grants it.
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
  static constexpr const char* HELP =
      "A permission is missing: this opens its page in System Settings; switch Orvane VUDA Verer on there";

  // Made inside its parent: a word without one would open as a window of its own when it shows.
  PermissionsWord(std::shared_ptr<Permissions> permissions, QWidget* parent);

 private:
  void redraw();

  std::weak_ptr<Permissions> permissions_;
  Subscription subscription_;
};

}  // namespace ui
