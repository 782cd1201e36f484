// Finding Ableton Live on the desktop: among the running applications, in front, and the screen it shows on.
// The shell follows its coming and going, the MK module puts its blob on its screen.
#pragma once

#include <optional>

#include "platform/geometry.h"
#include "platform/workspace.h"

// Live among the running applications: its bundle identifier, or on Linux a process or window class whose
// name contains "ableton live" in any case.
bool isLive(const RunningApp& app);
std::optional<RunningApp> liveApp(Workspace& workspace);
bool liveFront(Workspace& workspace);
// The visible frame of the screen that shows Live's largest window; the main screen's when there is none.
geometry::Rect liveScreen(Workspace& workspace);
