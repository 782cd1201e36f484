// The X11 workspace on the run's Xvfb, where no window manager runs: the tests make their own windows and
// publish a window manager's hints on the root themselves (ctest runs no two tests on one display at once).
#include "platform/x11/x11_workspace.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>

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
    XSetInputFocus(display_, PointerRoot, RevertToPointerRoot, CurrentTime);
    XCloseDisplay(display_);  // which takes the test's windows with it
  }

  Atom atom(const char* name) { return XInternAtom(display_, name, False); }

  void publish(Window window, const char* property, Atom type, const std::vector<long>& values) {
    XChangeProperty(display_, window, atom(property), type, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(values.data()), static_cast<int>(values.size()));
    XSync(display_, False);
  }
  void clearRoot() {
    for (const char* hint :
         {"_NET_CLIENT_LIST", "_NET_CLIENT_LIST_STACKING", "_NET_ACTIVE_WINDOW", "_NET_WORKAREA"})
      XDeleteProperty(display_, root_, atom(hint));
    XSync(display_, False);
  }

  Window makeWindow(const char* className, int pid, geometry::Rect at, const char* type = nullptr) {
    const Window window = XCreateSimpleWindow(display_, root_, int(at.x), int(at.y), unsigned(at.width),
                                              unsigned(at.height), 0, 0, 0);
    XClassHint hint{const_cast<char*>("vuda-test"), const_cast<char*>(className)};
    XSetClassHint(display_, window, &hint);
    XMapWindow(display_, window);
    if (type) publish(window, "_NET_WM_WINDOW_TYPE", XA_ATOM, {long(atom(type))});
    publish(window, "_NET_WM_PID", XA_CARDINAL, {pid});
    return window;
  }

  Display* display_ = nullptr;
  Window root_ = None;
  const int pid_ = getpid();
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

TEST_F(X11WorkspaceTest, ReadsAndWatchesTheAppsWindowsAndFrontAppThatAWindowManagerPublishes) {
  // Live is an application of another process, as far as the hints tell.
  const RunningApp mine{pid_, "VudaTestApp", ""}, live{getppid(), "Ableton Live 12 Suite", ""};
  const Window app = makeWindow("VudaTestApp", pid_, {10, 20, 300, 200});
  publish(root_, "_NET_CLIENT_LIST", XA_WINDOW, {long(app)});
  publish(root_, "_NET_ACTIVE_WINDOW", XA_WINDOW, {long(app)});
  std::mutex mutex;
  std::vector<std::pair<AppEvent, RunningApp>> seen;
  // Whether `wanted` were all reported, in this order, among others.
  const auto reported = [&](const std::vector<std::pair<AppEvent, RunningApp>>& wanted) {
    const auto inOrder = [&] {
      const std::lock_guard lock(mutex);
      auto at = seen.begin();
      return std::all_of(wanted.begin(), wanted.end(),
                         [&](auto& e) { return (at = std::find(at, seen.end(), e)) != seen.end(); });
    };
    return eventually(inOrder, 10);
  };
  X11Workspace workspace;
  workspace.watch([&](AppEvent event, const RunningApp& changed) {
    const std::lock_guard lock(mutex);
    seen.emplace_back(event, changed);
  });

  const Window liveWindow = makeWindow(live.name.c_str(), live.pid, {100, 150, 640, 480});
  const Window desktop = makeWindow("VudaDesktop", pid_, {0, 0, 1280, 800}, "_NET_WM_WINDOW_TYPE_DESKTOP");
  const Window dock = makeWindow("VudaDock", pid_, {0, 770, 1280, 30}, "_NET_WM_WINDOW_TYPE_DOCK");
  publish(root_, "_NET_CLIENT_LIST", XA_WINDOW, {long(app), long(liveWindow), long(desktop), long(dock)});
  publish(root_, "_NET_CLIENT_LIST_STACKING", XA_WINDOW,
          {long(desktop), long(app), long(liveWindow), long(dock)});
  publish(root_, "_NET_ACTIVE_WINDOW", XA_WINDOW, {long(liveWindow)});
  EXPECT_TRUE(reported({{AppEvent::launched, live}, {AppEvent::activated, live}}));
  EXPECT_EQ(workspace.runningApps(), (std::vector<RunningApp>{mine, live}));
  EXPECT_EQ(workspace.frontApp(), live);
  EXPECT_EQ(shown(workspace.windows()), (std::vector<Shown>{{pid_, 1, 0, 770, 1280, 30},
                                                            {live.pid, 0, 100, 150, 640, 480},
                                                            {pid_, 0, 10, 20, 300, 200}}));

  publish(root_, "_NET_CLIENT_LIST", XA_WINDOW, {long(app)});
  publish(root_, "_NET_ACTIVE_WINDOW", XA_WINDOW, {long(app)});
  EXPECT_TRUE(reported({{AppEvent::activated, live}, {AppEvent::terminated, live}}));
  EXPECT_TRUE(reported({{AppEvent::activated, live}, {AppEvent::activated, mine}}));
  publish(root_, "_NET_ACTIVE_WINDOW", XA_WINDOW, {long(None)});
  EXPECT_EQ(workspace.frontApp(), std::nullopt);
}

// The run's Xvfb screen is 1280x800; no window manager hint but the work area is published here.
TEST_F(X11WorkspaceTest, WithoutAWindowManagerTheFocusTheWindowStackAndRandRMonitorsDescribeTheDesktop) {
  X11Workspace workspace;
  EXPECT_EQ(frames(workspace.screens()), (std::vector<Frames>{{{0, 0, 1280, 800}, {0, 0, 1280, 800}}}));
  // A 24-pixel bar at the top and a 40-pixel one at the bottom; screens run up from the bottom left.
  publish(root_, "_NET_WORKAREA", XA_CARDINAL, {0, 24, 1280, 800 - 64});
  // Two monitors side by side, the primary on the right and 200 pixels shorter. The left one takes the
  // server's only output, so that RandR lists no monitor of its own for it; the focused window, raised, is on
  // it.
  XRRScreenResources* resources = XRRGetScreenResourcesCurrent(display_, root_);
  ASSERT_TRUE(resources && resources->noutput > 0);
  RROutput output = resources->outputs[0];
  XRRFreeScreenResources(resources);
  XRRMonitorInfo left{atom("VUDA_LEFT"), False, False, 1, 0, 0, 640, 800, 0, 0, &output};
  XRRMonitorInfo right{atom("VUDA_RIGHT"), True, False, 0, 640, 0, 640, 600, 0, 0, nullptr};
  XRRSetMonitor(display_, root_, &left);
  XRRSetMonitor(display_, root_, &right);
  const Window focused = makeWindow("VudaFocused", pid_, {100, 200, 300, 100});
  makeWindow("VudaOther", pid_, {700, 300, 150, 120});
  const Window inner = XCreateSimpleWindow(display_, focused, 10, 10, 20, 20, 0, 0, 0);
  XMapWindow(display_, inner);
  XRaiseWindow(display_, focused);
  XSetInputFocus(display_, inner, RevertToParent, CurrentTime);
  XSync(display_, False);
  const auto screens = frames(workspace.screens());
  const auto windows = shown(workspace.windows(), pid_);  // other test processes may have windows here
  const auto main = workspace.mainScreen();
  XRRDeleteMonitor(display_, root_, left.name);
  XRRDeleteMonitor(display_, root_, right.name);
  XSync(display_, False);
  EXPECT_EQ(screens, (std::vector<Frames>{{{0, 0, 640, 600}, {0, 0, 640, 576}},
                                          {{-640, -200, 640, 800}, {-640, -160, 640, 736}}}));
  EXPECT_EQ(main.value_or(Screen{}).frame, (geometry::Rect{-640, -200, 640, 800}));
  EXPECT_EQ(windows,
            (std::vector<Shown>{{pid_, 0, 100 - 640, 200, 300, 100}, {pid_, 0, 700 - 640, 300, 150, 120}}));
  EXPECT_EQ(workspace.frontApp(), (RunningApp{pid_, "VudaFocused", ""}));
}

// Live under Wine: a process whose program file and path name it, with no window of its own yet.
TEST_F(X11WorkspaceTest, FindsAProcessNamedLikeAbletonLiveWithoutAWindow) {
  const TempFolder folder;
  const std::string link = folder.path() + "/Ableton Live 12 Suite.exe";
  ASSERT_EQ(symlink("/bin/sleep", link.c_str()), 0);
  char program[] = "C:\\ProgramData\\Ableton\\Live 12 Suite\\Program\\Ableton Live 12 Suite.exe";
  char* argv[] = {program, const_cast<char*>("60"), nullptr};
  pid_t child = 0;
  ASSERT_EQ(posix_spawn(&child, link.c_str(), nullptr, nullptr, argv, environ), 0);
  X11Workspace workspace;
  const auto listed = [&] {
    const auto apps = workspace.runningApps();
    return std::count(apps.begin(), apps.end(), RunningApp{child, "Ableton Live 12 Suite.exe", ""}) == 1;
  };
  EXPECT_TRUE(eventually(listed, 10));  // once the child has started its program
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  EXPECT_FALSE(listed());
}

}  // namespace
