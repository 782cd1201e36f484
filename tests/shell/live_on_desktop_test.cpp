// The shell on a desktop of the test's own (support/x_desktop_main.cpp): the real X workspace and hot keys,
// the Qt loop and the settings window, over a module that wants one global chord. A process named like
// Ableton Live (as Live under Wine is) starts, comes to the front, goes behind another application and quits;
// the window's line, the module and the chord follow. The workspace looks once a second, so each change is
// given a few seconds to arrive.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QLabel>
#include <QTest>
#include <algorithm>

#include "keystroke/keys.h"
#include "keystroke/permissions.h"
#include "platform/qt/qt_loop.h"
#include "platform/x11/x11_hot_keys.h"
#include "platform/x11/x11_key_output.h"
#include "platform/x11/x11_workspace.h"
#include "shell/umbrella.h"
#include "support/fake_module.h"
#include "support/recording_key_output.h"
#include "support/temp_folder.h"
#include "ui/settings_window.h"

// After the others: Xlib's macros would rename their declarations. Xlib has a `Screen` of its own.
#define Screen XlibScreen
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#undef Screen

extern char** environ;

namespace {

constexpr int NOTICED_MS = 3000;                          // a look once a second, and room for a busy machine
const Chord CHORD{0x100 | 0x200, 0, KS_KEYS().at("f9")};  // command + shift + F9

// A top-level window of the process `pid`, with its class, given the keyboard (there is no window manager).
Window frontWindow(Display* display, const char* className, int pid) {
  const Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 200, 200, 0, 0, 0);
  XClassHint hint{const_cast<char*>("vuda-test"), const_cast<char*>(className)};
  XSetClassHint(display, window, &hint);
  const long owner = pid;
  XChangeProperty(display, window, XInternAtom(display, "_NET_WM_PID", False), XA_CARDINAL, 32,
                  PropModeReplace, reinterpret_cast<const unsigned char*>(&owner), 1);
  XMapWindow(display, window);
  XSync(display, False);
  XSetInputFocus(display, window, RevertToPointerRoot, CurrentTime);
  XSync(display, False);
  return window;
}

TEST(LiveOnTheDesktop, TheWindowsLineTheModulesAndTheHotKeysFollowAProcessNamedLikeLive) {
  Display* display = XOpenDisplay(nullptr);
  ASSERT_NE(display, nullptr);
  TempFolder home;
  QtLoop loop;
  X11Workspace workspace;
  X11HotKeys hotKeys;
  X11KeyOutput keys;
  RecordingKeyOutput trusted;
  int fired = 0;
  std::vector<std::unique_ptr<LiveModule>> modules;
  modules.push_back(std::make_unique<FakeModule>("mackie"));
  auto& module = static_cast<FakeModule&>(*modules.front());
  module.wishes = {{CHORD.key, CHORD.carbon, [&] { ++fired; }}};
  auto umbrella =
      std::make_shared<Umbrella>(ShellServices{loop, workspace, hotKeys, home.path()}, std::move(modules));
  ui::SettingsWindow window(umbrella, std::make_shared<Permissions>(loop, trusted), false, [] {});
  umbrella->start();
  const auto line = [&] { return window.findChild<QLabel*>("live")->text().toStdString(); };
  const auto told = [&](const char* call) { return std::ranges::count(module.calls, call); };
  // Whether another application could take the chord now: only when the program does not hold it. Not asked
  // while the program may be taking it, which the probe's own grab would make fail.
  X11HotKeys otherApplication;
  const auto chordFree = [&] {
    const auto taken = otherApplication.registerKey(CHORD.key, CHORD.carbon, 1);
    if (taken) otherApplication.unregisterKey(*taken);
    return taken.has_value();
  };
  EXPECT_EQ(line(), "NOT RUNNING");
  EXPECT_TRUE(chordFree());

  const std::string program = home.path() + "/Ableton Live 12 Suite";
  ASSERT_EQ(symlink("/bin/sleep", program.c_str()), 0);
  char* argv[] = {const_cast<char*>(program.c_str()), const_cast<char*>("60"), nullptr};
  pid_t live = 0;
  ASSERT_EQ(posix_spawn(&live, program.c_str(), nullptr, nullptr, argv, environ), 0);
  EXPECT_TRUE(QTest::qWaitFor([&] { return line() == "RUNNING"; }, NOTICED_MS));

  // Live in front: the chord is the program's, and runs the module's action.
  const Window liveWindow = frontWindow(display, "Ableton Live 12 Suite", live);
  EXPECT_TRUE(QTest::qWaitFor(
      [&] {
        keys.postKey(CHORD.key, FLAG_COMMAND | FLAG_SHIFT, true);
        keys.postKey(CHORD.key, FLAG_COMMAND | FLAG_SHIFT, false);
        return fired > 0;
      },
      NOTICED_MS));

  // Some seconds after its launch (exactly five on the shell's loop: UmbrellaTest), Live is told it came,
  // once.
  EXPECT_TRUE(QTest::qWaitFor([&] { return told("came") > 0; }, 8000));
  EXPECT_EQ(told("came"), 1);

  // Another application in front: the chord is free for it.
  const Window editor = frontWindow(display, "VudaEditor", getpid());
  EXPECT_TRUE(QTest::qWaitFor(chordFree, NOTICED_MS));

  // Live quits, its window with it.
  kill(live, SIGKILL);
  waitpid(live, nullptr, 0);
  XDestroyWindow(display, liveWindow);
  XSync(display, False);
  EXPECT_TRUE(QTest::qWaitFor([&] { return line() == "NOT RUNNING" && told("left") == 1; }, NOTICED_MS));

  umbrella.reset();  // while the workspace and the hot keys still watch on their threads
  XDestroyWindow(display, editor);
  XCloseDisplay(display);
}

}  // namespace
