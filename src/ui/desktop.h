// What the program shows on a desktop: the tray's icon and menu, the settings window, and the dry run's
// window. Without a tray host the window opens at once and says how it comes back; a tray host that comes
// later (a panel that starts after the program, as at the start of a session) takes the icon, and the note
// goes.
#pragma once

#include <functional>
#include <memory>

class LiveModule;
class Permissions;
class Umbrella;

namespace ui {

class DryWindow;
class SettingsWindow;
class Tray;

class Desktop {
 public:
  // `quit` ends the program (the window's OFF).
  Desktop(const std::shared_ptr<Umbrella>& umbrella, const std::shared_ptr<Permissions>& permissions,
          std::function<void()> quit);
  ~Desktop();
  Desktop(const Desktop&) = delete;
  Desktop& operator=(const Desktop&) = delete;

  // The settings window in front, brought back from wherever it was: what a second start of the program asks.
  void bringBack();
  // The dry run's window over the Key Stroke module `dry`, in front; made on first use. The module outlives
  // this object.
  void openDry(LiveModule& dry);

  SettingsWindow& window() const { return *window_; }
  Tray& tray() const { return *tray_; }
  // Nothing until openDry().
  DryWindow* dryWindow() const { return dry_.get(); }

 private:
  // They go in the reverse order: the dry window first, the settings window last.
  std::unique_ptr<SettingsWindow> window_;
  std::unique_ptr<Tray> tray_;
  std::unique_ptr<DryWindow> dry_;
};

}  // namespace ui
