// The X11 workspace on the run's Xvfb, where no window manager runs: the tests make their own windows and
// publish a window manager's hints on the root themselves (ctest runs no two tests on one display at once).
#include "platform/x11/x11_workspace.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <mutex>
#include <tuple>
#include <utility>

#include "support/services.h"
#include "support/spawned_process.h"
#include "support/temp_folder.h"

// Xlib has a `Screen` of its own.
#define Screen XlibScreen
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xrandr.h>
#undef Screen

namespace {

// What `changed` reported, for a test to wait on.
class Events {
 public:
  void record(AppEvent event, const RunningApp& app) {
    const std::lock_guard lock(mutex_);
    seen_.emplace_back(event, app);
  }
  // Waits up to ten seconds for `event` about `app`; its position among everything reported, or -1.
  int await(AppEvent event, const RunningApp& app) {
    int at = -1;
    eventually(
        [&] {
          const std::lock_guard lock(mutex_);
          const auto it = std::find(seen_.begin(), seen_.end(), std::pair{event, app});
          at = it == seen_.end() ? -1 : static_cast<int>(it - seen_.begin());
          return at >= 0;
        },
        10);
    return at;
  }

 private:
  std::mutex mutex_;
  std::vector<std::pair<AppEvent, RunningApp>> seen_;
};

class X11WorkspaceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    REQUIRE_SERVICE("DISPLAY", "the X server");
    display_ = XOpenDisplay(nullptr);
    ASSERT_NE(display_, nullptr);
    root_ = DefaultRootWindow(display_);
    clearRoot();
  }

  void TearDown() override {
    if (!display_) return;
    clearRoot();
    for (const Window window : made_)
      XDestroyWindow(display_, window);
    XSetInputFocus(display_, PointerRoot, RevertToPointerRoot, CurrentTime);
    XCloseDisplay(display_);
  }

  Atom atom(const char* name) { return XInternAtom(display_, name, False); }

  void publish(Window window, const char* property, Atom type, const std::vector<long>& values) {
    XChangeProperty(display_, window, atom(property), type, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(values.data()), static_cast<int>(values.size()));
    XSync(display_, False);
  }

  void clearRoot() {
    for (const char* hint : {"_NET_CLIENT_LIST", "_NET_CLIENT_LIST_STACKING", "_NET_ACTIVE_WINDOW",
                             "_NET_WORKAREA", "_NET_CURRENT_DESKTOP"})
      XDeleteProperty(display_, root_, atom(hint));
    XSync(display_, False);
  }

  Window makeWindow(const char* className, int pid, geometry::Rect at, bool mapped = true,
                    const char* type = nullptr) {
    const Window window = XCreateSimpleWindow(display_, root_, int(at.x), int(at.y), unsigned(at.width),
                                              unsigned(at.height), 0, 0, 0);
    made_.push_back(window);
    XClassHint hint{const_cast<char*>("vuda-test"), const_cast<char*>(className)};
    XSetClassHint(display_, window, &hint);
    publish(window, "_NET_WM_PID", XA_CARDINAL, {pid});
    if (type) publish(window, "_NET_WM_WINDOW_TYPE", XA_ATOM, {long(atom(type))});
    if (mapped) XMapWindow(display_, window);
    XSync(display_, False);
    return window;
  }

  geometry::Rect rootSize() {
    return {0, 0, double(DisplayWidth(display_, DefaultScreen(display_))),
            double(DisplayHeight(display_, DefaultScreen(display_)))};
  }

  Display* display_ = nullptr;
  Window root_ = None;
  std::vector<Window> made_;
  const int pid_ = getpid();
  const int otherPid_ = getppid();  // an application of another process, as far as the hints tell
};

// Windows and screens as comparable values, since the interface's structs have no ==.
using Shown = std::tuple<int, int, double, double, double, double>;

std::vector<Shown> shown(const std::vector<WindowInfo>& windows, int onlyPid = 0) {
  std::vector<Shown> list;
  for (const auto& w : windows)
    if (!onlyPid || w.ownerPid == onlyPid)
      list.emplace_back(w.ownerPid, w.layer, w.bounds.x, w.bounds.y, w.bounds.width, w.bounds.height);
  return list;
}

using Frames = std::pair<geometry::Rect, geometry::Rect>;

std::vector<Frames> frames(const std::vector<Screen>& screens) {
  std::vector<Frames> list;
  for (const auto& s : screens)
    list.emplace_back(s.frame, s.visibleFrame);
  return list;
}

TEST_F(X11WorkspaceTest, ReadsTheAppsWindowsAndFrontAppThatAWindowManagerPublishes) {
  const Window app = makeWindow("VudaTestApp", pid_, {10, 20, 300, 200});
  const Window live = makeWindow("Ableton Live 12 Suite", otherPid_, {100, 150, 640, 480});
  const Window minimised = makeWindow("VudaTestApp", pid_, {5, 5, 50, 50}, false);
  const Window desktop = makeWindow("VudaDesktop", pid_, rootSize(), true, "_NET_WM_WINDOW_TYPE_DESKTOP");
  const Window dock = makeWindow("VudaDock", pid_, {0, 770, 1280, 30}, true, "_NET_WM_WINDOW_TYPE_DOCK");
  publish(root_, "_NET_CLIENT_LIST", XA_WINDOW,
          {long(app), long(live), long(minimised), long(desktop), long(dock)});
  publish(root_, "_NET_CLIENT_LIST_STACKING", XA_WINDOW,
          {long(desktop), long(minimised), long(app), long(live), long(dock)});
  publish(root_, "_NET_ACTIVE_WINDOW", XA_WINDOW, {long(live)});

  X11Workspace workspace;
  EXPECT_EQ(workspace.runningApps(),
            (std::vector<RunningApp>{{pid_, "VudaTestApp", ""}, {otherPid_, "Ableton Live 12 Suite", ""}}));
  EXPECT_EQ(workspace.frontApp(), (RunningApp{otherPid_, "Ableton Live 12 Suite", ""}));
  EXPECT_EQ(shown(workspace.windows()), (std::vector<Shown>{{pid_, 1, 0, 770, 1280, 30},
                                                            {otherPid_, 0, 100, 150, 640, 480},
                                                            {pid_, 0, 10, 20, 300, 200}}));

  publish(root_, "_NET_ACTIVE_WINDOW", XA_WINDOW, {long(None)});
  EXPECT_EQ(workspace.frontApp(), std::nullopt);
}

TEST_F(X11WorkspaceTest, FallsBackToTheFocusAndTheWindowStackWithoutWindowManagerHints) {
  const Window focused = makeWindow("VudaFocused", pid_, {50, 60, 200, 100});
  const Window inner = XCreateSimpleWindow(display_, focused, 10, 10, 20, 20, 0, 0, 0);
  XMapWindow(display_, inner);
  makeWindow("VudaOther", pid_, {400, 300, 150, 120});
  XRaiseWindow(display_, focused);
  XSetInputFocus(display_, inner, RevertToParent, CurrentTime);
  XSync(display_, False);

  X11Workspace workspace;
  EXPECT_EQ(workspace.frontApp(), (RunningApp{pid_, "VudaFocused", ""}));
  // Other test processes may have windows of their own on this display.
  EXPECT_EQ(shown(workspace.windows(), pid_),
            (std::vector<Shown>{{pid_, 0, 50, 60, 200, 100}, {pid_, 0, 400, 300, 150, 120}}));
  const auto apps = workspace.runningApps();
  EXPECT_EQ(std::count_if(apps.begin(), apps.end(), [&](const RunningApp& a) { return a.pid == pid_; }), 1);

  XSetInputFocus(display_, None, RevertToNone, CurrentTime);
  XSync(display_, False);
  EXPECT_EQ(workspace.frontApp(), std::nullopt);
}

TEST_F(X11WorkspaceTest, ScreensRunUpFromTheBottomLeftAndLeaveOutTheWorkAreasEdges) {
  const geometry::Rect frame = rootSize();
  X11Workspace workspace;
  EXPECT_EQ(frames(workspace.screens()), (std::vector<Frames>{{frame, frame}}));

  // A 24-pixel bar at the top and a 40-pixel one at the bottom on the first desktop; none on the second.
  publish(root_, "_NET_WORKAREA", XA_CARDINAL,
          {0, 24, long(frame.width), long(frame.height) - 64, 0, 0, long(frame.width), long(frame.height)});
  const geometry::Rect visible{0, 40, frame.width, frame.height - 64};
  EXPECT_EQ(frames(workspace.screens()), (std::vector<Frames>{{frame, visible}}));
  ASSERT_TRUE(workspace.mainScreen().has_value());
  EXPECT_EQ(workspace.mainScreen()->visibleFrame, visible);
  publish(root_, "_NET_CURRENT_DESKTOP", XA_CARDINAL, {1});
  EXPECT_EQ(workspace.mainScreen()->visibleFrame, frame);
}

// Two monitors side by side, the primary on the right and 200 pixels shorter, with the first desktop's work
// area as above; the window in front sits on the left one.
TEST_F(X11WorkspaceTest, EachRandRMonitorIsAScreenWithThePrimaryFirstAndWindowsFromItsTopLeft) {
  XRRScreenResources* resources = XRRGetScreenResourcesCurrent(display_, root_);
  ASSERT_TRUE(resources && resources->noutput > 0);
  RROutput output = resources->outputs[0];
  XRRFreeScreenResources(resources);
  const auto monitor = [&](const char* name, bool primary, geometry::Rect at, RROutput* outputs) {
    XRRMonitorInfo info{atom(name),     primary, False, outputs ? 1 : 0, int(at.x), int(at.y), int(at.width),
                        int(at.height), 0,       0,     outputs};
    XRRSetMonitor(display_, root_, &info);
  };
  // The left one takes the server's only output, so that RandR lists no monitor of its own for it.
  monitor("VUDA_LEFT", false, {0, 0, 640, 800}, &output);
  monitor("VUDA_RIGHT", true, {640, 0, 640, 600}, nullptr);
  XSync(display_, False);
  const auto removeMonitors = [&] {
    XRRDeleteMonitor(display_, root_, atom("VUDA_LEFT"));
    XRRDeleteMonitor(display_, root_, atom("VUDA_RIGHT"));
    XSync(display_, False);
  };
  publish(root_, "_NET_WORKAREA", XA_CARDINAL, {0, 24, 1280, 800 - 64});
  const Window left = makeWindow("VudaLeft", pid_, {100, 200, 300, 100});
  XSetInputFocus(display_, left, RevertToParent, CurrentTime);
  XSync(display_, False);

  X11Workspace workspace;
  const auto screens = frames(workspace.screens());
  const auto windows = shown(workspace.windows(), pid_);
  const auto main = workspace.mainScreen();
  removeMonitors();
  EXPECT_EQ(screens, (std::vector<Frames>{{{0, 0, 640, 600}, {0, 0, 640, 576}},
                                          {{-640, -200, 640, 800}, {-640, -160, 640, 736}}}));
  EXPECT_EQ(windows, (std::vector<Shown>{{pid_, 0, 100 - 640, 200, 300, 100}}));
  ASSERT_TRUE(main.has_value());
  EXPECT_EQ(main->frame, (geometry::Rect{-640, -200, 640, 800}));
}

TEST_F(X11WorkspaceTest, WatchReportsLaunchesActivationsAndQuits) {
  const Window app = makeWindow("VudaTestApp", pid_, {10, 20, 300, 200});
  publish(root_, "_NET_CLIENT_LIST", XA_WINDOW, {long(app)});
  publish(root_, "_NET_ACTIVE_WINDOW", XA_WINDOW, {long(app)});
  Events events;
  X11Workspace workspace;
  workspace.changed = [&](AppEvent event, const RunningApp& changed) { events.record(event, changed); };
  workspace.watch();

  const RunningApp live{otherPid_, "Ableton Live 12 Suite", ""};
  const Window liveWindow = makeWindow(live.name.c_str(), otherPid_, {100, 150, 640, 480});
  publish(root_, "_NET_CLIENT_LIST", XA_WINDOW, {long(app), long(liveWindow)});
  publish(root_, "_NET_ACTIVE_WINDOW", XA_WINDOW, {long(liveWindow)});
  const int launched = events.await(AppEvent::launched, live);
  const int activated = events.await(AppEvent::activated, live);
  ASSERT_GE(launched, 0);
  ASSERT_GE(activated, 0);
  EXPECT_LT(launched, activated);

  publish(root_, "_NET_CLIENT_LIST", XA_WINDOW, {long(app)});
  publish(root_, "_NET_ACTIVE_WINDOW", XA_WINDOW, {long(app)});
  EXPECT_GE(events.await(AppEvent::terminated, live), 0);
  EXPECT_GE(events.await(AppEvent::activated, RunningApp{pid_, "VudaTestApp", ""}), 0);
}

// Live under Wine: a process whose program file and path name it, with no window of its own yet.
TEST_F(X11WorkspaceTest, FindsAProcessNamedLikeAbletonLiveWithoutAWindow) {
  const TempFolder folder;
  const std::string link = folder.path() + "/Ableton Live 12 Suite.exe";
  ASSERT_EQ(symlink("/bin/sleep", link.c_str()), 0);
  char program[] = "C:\\ProgramData\\Ableton\\Live 12 Suite\\Program\\Ableton Live 12 Suite.exe";
  char seconds[] = "60";
  char* argv[] = {program, seconds, nullptr};
  pid_t child = 0;
  ASSERT_EQ(posix_spawn(&child, link.c_str(), nullptr, nullptr, argv, environ), 0);

  X11Workspace workspace;
  const RunningApp live{child, "Ableton Live 12 Suite.exe", ""};
  const auto listed = [&] {
    const auto apps = workspace.runningApps();
    return std::find(apps.begin(), apps.end(), live) != apps.end();
  };
  // The name shows once the child has started its program.
  EXPECT_TRUE(eventually(listed, 10));
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  EXPECT_FALSE(listed());
}

}  // namespace
