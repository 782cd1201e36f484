// The desktop as the application sees it: running applications, the one in front, windows and screens.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/geometry.h"

struct RunningApp {
  int pid = 0;
  std::string name;      // the process or window class name
  std::string bundleId;  // where the system has one; empty otherwise
  bool operator==(const RunningApp&) const = default;
};

// An on-screen window; bounds with the origin at the top left of the primary screen, y downwards.
struct WindowInfo {
  int ownerPid = 0;
  int layer = 0;  // 0 for ordinary application windows
  geometry::Rect bounds;
};

// A screen; frames with the origin at the bottom left of the primary screen, y upwards.
struct Screen {
  geometry::Rect frame;
  geometry::Rect visibleFrame;  // without the menu bar, panels and docks
};

enum class AppEvent { launched, terminated, activated };

class Workspace {
 public:
  virtual ~Workspace() = default;
  // Set by the application: called, on any thread, when an application was launched, quit, or came to the
  // front.
  std::function<void(AppEvent event, const RunningApp& app)> changed;

  virtual std::vector<RunningApp> runningApps() = 0;
  virtual std::optional<RunningApp> frontApp() = 0;
  // On-screen windows, without desktop elements, front to back.
  virtual std::vector<WindowInfo> windows() = 0;
  // Every screen, the primary first.
  virtual std::vector<Screen> screens() = 0;
  // The screen with the keyboard focus; nothing when unknown.
  virtual std::optional<Screen> mainScreen() = 0;
};
