// The windows' shared handling (see the header).
#include "ui/windows.h"

#include <QApplication>
#include <QWidget>

namespace ui {

void floatWindows(bool on) {
  for (auto* window : QApplication::topLevelWidgets()) {
    if (!window->windowTitle().startsWith(TITLE)) continue;
    if (window->windowFlags().testFlag(Qt::WindowStaysOnTopHint) == on) continue;
    // Changing a window's flags hides it; one the user could see comes back at once.
    const bool shown = window->isVisible();
    window->setWindowFlag(Qt::WindowStaysOnTopHint, on);
    if (shown) window->show();
  }
}

void bringToFront(QWidget& window) {
  window.setWindowState(window.windowState() & ~Qt::WindowMinimized);
  window.show();
  window.raise();
  window.activateWindow();
}

}  // namespace ui
