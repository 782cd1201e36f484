// The desktop as the application sees it: running applications, the one in front, windows and screens.
#pragma once

#include <atomic>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/geometry.h"
#include "platform/guarded_call.h"

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
  using Changed = std::function<void(AppEvent event, const RunningApp& app)>;

  virtual ~Workspace() = default;
  // From now on, `changed` is called, on any thread, when an application was launched, quit, or came to the
  // front; an empty function ends the calls. Returns only once no call of the function it replaces is under
  // way, so that whatever that one reaches may go as soon as this returns. Never call it from `changed`.
  void watch(Changed changed) {
    const bool any = static_cast<bool>(changed);
    changed_.set(std::move(changed));
    if (any && !watching_.exchange(true)) startWatching();
  }

  virtual std::vector<RunningApp> runningApps() = 0;
  virtual std::optional<RunningApp> frontApp() = 0;
  // On-screen windows, without desktop elements, front to back.
  virtual std::vector<WindowInfo> windows() = 0;
  // Every screen, the primary first.
  virtual std::vector<Screen> screens() = 0;
  // The screen with the keyboard focus; nothing when unknown.
  virtual std::optional<Screen> mainScreen() = 0;

 protected:
  // The backend begins to notice changes; called once, on the first watch() with a function.
  virtual void startWatching() {}
  // What the backend noticed, from any thread.
  void tell(AppEvent event, const RunningApp& app) { changed_(event, app); }

 private:
  GuardedCall<AppEvent, const RunningApp&> changed_;
  std::atomic<bool> watching_{false};
};
