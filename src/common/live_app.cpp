// Finding Live on the desktop (see the header).
#include "common/live_app.h"

#include "common/loose_value.h"

bool isLive(const RunningApp& app) {
  return app.bundleId == "com.ableton.live" ||
         loose::lowered(app.name).find("ableton live") != std::string::npos;
}

std::optional<RunningApp> liveApp(Workspace& workspace) {
  for (auto& app : workspace.runningApps())
    if (isLive(app)) return std::move(app);
  return std::nullopt;
}

bool liveFront(Workspace& workspace) {
  const auto front = workspace.frontApp();
  return front && isLive(*front);
}

geometry::Rect liveScreen(Workspace& workspace) {
  const auto screens = workspace.screens();
  const auto fallback = [&]() -> geometry::Rect {
    if (const auto main = workspace.mainScreen()) return main->visibleFrame;
    return screens.empty() ? geometry::Rect{} : screens.front().visibleFrame;
  };

  const auto live = liveApp(workspace);
  if (!live) return fallback();
  std::optional<geometry::Rect> largest;
  for (const auto& window : workspace.windows()) {
    if (window.ownerPid != live->pid || window.layer != 0) continue;
    const auto& b = window.bounds;
    if (!largest || b.width * b.height > largest->width * largest->height) largest = b;
  }
  if (!largest || screens.empty()) return fallback();

  // Window bounds run down from the primary screen's top; screen frames run up from its bottom.
  const geometry::Point centre{largest->midX(), screens.front().frame.height - largest->midY()};
  for (const auto& screen : screens)
    if (screen.frame.contains(centre)) return screen.visibleFrame;
  return fallback();
}
