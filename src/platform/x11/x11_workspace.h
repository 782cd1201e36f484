// The desktop through the X server's window-manager hints (EWMH) and /proc: applications, the one in front,
// windows and the screen, so that the engines can follow Ableton Live and place their windows beside it.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/workspace.h"

// Talks over an X connection of its own, opened on first use and again after the server went away. An
// application is a process that owns a top-level window, or any process named like Ableton Live (a Windows
// build under Wine). The screens are the monitors that XRandR lists, the primary first; without XRandR 1.5
// the root window stands for them all.
// Docks and pop-ups are windows of layer 1; desktop windows are left out.
class X11Workspace : public Workspace {
 public:
  // `display` names the X display to use; nothing means the one in DISPLAY.
  explicit X11Workspace(std::optional<std::string> display = std::nullopt);
  // Stops the watch thread; never destroy it from inside the function watch() was given.
  ~X11Workspace() override;
  X11Workspace(const X11Workspace&) = delete;
  X11Workspace& operator=(const X11Workspace&) = delete;

  std::vector<RunningApp> runningApps() override;
  std::optional<RunningApp> frontApp() override;
  std::vector<WindowInfo> windows() override;
  std::vector<Screen> screens() override;
  std::optional<Screen> mainScreen() override;

 protected:
  // A thread of its own compares the applications and the front one with what it saw a second earlier; what
  // runs when it starts is the starting point.
  void startWatching() override;

 private:
  class Impl;
  std::unique_ptr<Impl> impl_;
};
