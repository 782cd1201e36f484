// The program's windows and tray (see the header).
#include "ui/desktop.h"

#include "ui/dry_window.h"
#include "ui/settings_window.h"
#include "ui/tray.h"
#include "ui/windows.h"

namespace ui {

Desktop::Desktop(const std::shared_ptr<Umbrella>& umbrella, const std::shared_ptr<Permissions>& permissions,
                 std::function<void()> quit)
    : tray_(std::make_unique<Tray>(umbrella)) {
  window_ = std::make_unique<SettingsWindow>(umbrella, permissions, !tray_->hosted(), std::move(quit));
  // Shown even without a tray host: the icon then waits for one, and goes to it when it comes.
  tray_->show();
  QObject::connect(tray_.get(), &Tray::hostedChanged, window_.get(),
                   [window = window_.get()](bool hosted) { window->setNoTray(!hosted); });
  if (!tray_->hosted()) bringToFront(*window_);
}

Desktop::~Desktop() = default;

void Desktop::bringBack() {
  bringToFront(*window_);
}

void Desktop::openDry(LiveModule& dry) {
  if (!dry_) dry_ = std::make_unique<DryWindow>(dry);
  dry_->open();
}

}  // namespace ui
