// A desktop that a test lays out: applications, the one in front, windows and screens.
#pragma once

#include "platform/workspace.h"

class FakeWorkspace : public Workspace {
 public:
  std::vector<RunningApp> apps;
  std::optional<RunningApp> front;
  std::vector<WindowInfo> shown;
  std::vector<Screen> screenList = {{{0, 0, 1440, 900}, {0, 0, 1440, 875}}};

  std::vector<RunningApp> runningApps() override { return apps; }
  std::optional<RunningApp> frontApp() override { return front; }
  std::vector<WindowInfo> windows() override { return shown; }
  std::vector<Screen> screens() override { return screenList; }
  // What the system would report, on the calling thread.
  void report(AppEvent event, const RunningApp& app) { tell(event, app); }
  std::optional<Screen> mainScreen() override {
    return screenList.empty() ? std::nullopt : std::optional(screenList[0]);
  }
};
