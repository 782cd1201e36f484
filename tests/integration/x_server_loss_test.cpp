// The X11 backends with an X server of the test's own that dies mid-run: the process lives on, the key output
// says why no key is pressed, and a new server on the same display brings key strokes and hot keys back.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>

#include "keystroke/keys.h"
#include "platform/x11/x11_hot_keys.h"
#include "platform/x11/x11_key_output.h"
#include "platform/x11/x11_workspace.h"
#include "support/private_x_server.h"
#include "support/spawned_process.h"
#include "support/temp_folder.h"

// After GoogleTest: Xlib's macros (None, Bool) would rename its declarations. Xlib has a `Screen` of its own.
#define Screen XlibScreen
#include <X11/Xlib.h>
#include <X11/keysym.h>
#undef Screen

namespace {

// A focused window of another client, counting the presses of "b" that reach it.
class Typist {
 public:
  explicit Typist(const std::string& display) : display_(XOpenDisplay(display.c_str())) {
    if (!display_) return;
    const Window window =
        XCreateSimpleWindow(display_, XDefaultRootWindow(display_), 0, 0, 100, 100, 0, 0, 0);
    XSelectInput(display_, window, KeyPressMask | StructureNotifyMask);
    XMapWindow(display_, window);
    XEvent event;
    do
      XNextEvent(display_, &event);
    while (event.type != MapNotify);
    XSetInputFocus(display_, window, RevertToPointerRoot, CurrentTime);
    XSync(display_, False);
  }
  // Closed before its server dies: this connection has no handler for that.
  ~Typist() {
    if (display_) XCloseDisplay(display_);
  }
  Typist(const Typist&) = delete;
  Typist& operator=(const Typist&) = delete;

  int presses() {
    while (display_ && XPending(display_) > 0) {
      XEvent event;
      XNextEvent(display_, &event);
      if (event.type == KeyPress && XLookupKeysym(&event.xkey, 0) == XK_b) ++presses_;
    }
    return presses_;
  }

 private:
  Display* display_;
  int presses_ = 0;
};

// The keys a dead server swallowed are not retried: each use asks again, and the first after the new server
// answers reconnects.
TEST(XServerLoss, TheX11BackendsOutliveTheirXServerAndWorkAgainOnANewOne) {
  TempFolder home;
  PrivateXServer x(home);
  ASSERT_FALSE(x.display().empty()) << "a private Xvfb did not start; " << x.log();
  X11KeyOutput keys(x.display());
  X11Workspace workspace(x.display());
  workspace.changed = [](AppEvent, const RunningApp&) {};
  workspace.watch();
  std::atomic<int> hotKeyPresses = 0;
  X11HotKeys hotKeys(x.display());
  hotKeys.pressed = [&](std::uint32_t) { ++hotKeyPresses; };
  ASSERT_TRUE(hotKeys.registerKey(KS_KEYS().at("f9"), 0x100 | 0x200, 1));
  const auto typeB = [&](Typist& typist) {
    return eventually([&] {
      keys.postKey(KS_KEYS().at("b"), 0, true);
      keys.postKey(KS_KEYS().at("b"), 0, false);
      return typist.presses() > 0;
    });
  };
  {
    Typist typist(x.display());
    ASSERT_TRUE(typeB(typist));
  }

  x.kill();
  EXPECT_TRUE(eventually([&] { return !keys.postKey(KS_KEYS().at("b"), 0, true); }));
  EXPECT_EQ(keys.trustAdvice(), "no X display is reachable at \"" + x.display() + "\"");
  EXPECT_TRUE(eventually([&] { return workspace.screens().empty(); }));
  EXPECT_FALSE(hotKeys.registerKey(KS_KEYS().at("f8"), 0x100 | 0x200, 2));

  ASSERT_TRUE(x.start()) << "the private Xvfb did not start again; " << x.log();
  Typist typist(x.display());
  EXPECT_TRUE(typeB(typist)) << "no key stroke on the new server";
  EXPECT_FALSE(workspace.screens().empty());
  // The next use opens the display again and grabs the chord held before the loss.
  EXPECT_TRUE(hotKeys.registerKey(KS_KEYS().at("f8"), 0x100 | 0x200, 2));
  keys.postKey(KS_KEYS().at("f9"), FLAG_COMMAND | FLAG_SHIFT, true);
  keys.postKey(KS_KEYS().at("f9"), FLAG_COMMAND | FLAG_SHIFT, false);
  EXPECT_TRUE(eventually([&] { return hotKeyPresses == 1; }));
}

}  // namespace
