// Both engines on the real X11 backends and a real JACK server, with an X server of the test's own that dies
// mid-run: the process lives on, MIDI keeps flowing, the Key Stroke trace says why no key is pressed, and a
// new server on the same display brings key strokes and hot keys back.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>

#include "jack_peers.h"
#include "keystroke/engine.h"
#include "keystroke/keys.h"
#include "mackie/engine/engine.h"
#include "platform/jack/jack_midi_system.h"
#include "platform/qt/qt_loop.h"
#include "platform/x11/x11_hot_keys.h"
#include "platform/x11/x11_key_capture.h"
#include "platform/x11/x11_key_output.h"
#include "platform/x11/x11_workspace.h"
#include "support/engine_services.h"
#include "support/fake_audio_output.h"
#include "support/fake_blob_window.h"
#include "support/private_x_server.h"

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

bool says(const Trace& trace, const std::string& part) {
  for (const auto& line : trace.lines())
    if (line.find(part) != std::string::npos) return true;
  return false;
}

TEST(XServerLoss, BothEnginesOutliveTheirXServerAndPressKeysAgainOnANewOne) {
  qtApplication();
  TempFolder home;
  PrivateJackServer jack(home);
  ASSERT_TRUE(jack.answers()) << "a private jackd did not start; " << jack.log();
  PrivateXServer x(home);
  ASSERT_FALSE(x.display().empty()) << "a private Xvfb did not start; " << x.log();
  home.write(".config/midi-to-mk.json", R"({"device": "out", "out": "input", "rows": [
    {"id": 1, "from": "note", "number": 60, "command": "bankfirst", "value": 64}]})");
  home.write(".config/midi-to-keystroke.json",
             R"({"device": "out", "rows": [{"id": 1, "cc": 60, "type": "note", "key": "b"}]})");
  FakeAudioOutput audio;
  X11KeyOutput keys(x.display());
  X11KeyCapture capture(x.display());
  X11Workspace workspace(x.display());
  workspace.changed = [](AppEvent, const RunningApp&) {};
  workspace.watch();
  std::atomic<int> hotKeyPresses = 0;
  X11HotKeys hotKeys(x.display());
  hotKeys.pressed = [&](std::uint32_t) { ++hotKeyPresses; };
  ASSERT_TRUE(hotKeys.registerKey(KS_KEYS().at("f9"), 0x100 | 0x200, 1));
  QtLoop loop;
  JackMidiSystem midi(loop, jack.name());
  // With a blob to show, every MK message asks the workspace where Live's screen is, on the main thread.
  auto mkServices = mkServicesAt(home.path(), loop, midi, audio, keys, workspace);
  mkServices.blobWindow = [] { return std::make_unique<FakeBlobWindow>(); };
  const auto mk = std::make_shared<MKEngine>(mkServices);
  const auto ks = std::make_shared<KSEngine>(ksServicesAt(home.path(), loop, midi, audio, keys, capture));
  mk->start();
  ks->start();
  JackPeers peers(home);
  {
    Typist typist(x.display());
    ASSERT_TRUE(runUntil([&] { return typist.presses() > 0 && !peers.received().empty(); }, 10));
  }

  x.kill();
  const auto sent = peers.received().size();
  EXPECT_TRUE(runUntil(
      [&] { return says(ks->trace, "(no X display is reachable at \"" + x.display() + "\")"); }, 10));
  EXPECT_TRUE(runUntil([&] { return peers.received().size() >= sent + 8; }, 10)) << "MIDI stopped with X";
  EXPECT_TRUE(workspace.screens().empty());
  EXPECT_FALSE(hotKeys.registerKey(KS_KEYS().at("f8"), 0x100 | 0x200, 2));

  ASSERT_TRUE(x.start()) << "the private Xvfb did not start again; " << x.log();
  Typist typist(x.display());
  EXPECT_TRUE(runUntil([&] { return typist.presses() > 0; }, 10)) << "no key stroke on the new server";
  EXPECT_FALSE(workspace.screens().empty());
  // The next use opens the display again and grabs the chord held before the loss.
  EXPECT_TRUE(hotKeys.registerKey(KS_KEYS().at("f8"), 0x100 | 0x200, 2));
  keys.postKey(KS_KEYS().at("f9"), FLAG_COMMAND | FLAG_SHIFT, true);
  keys.postKey(KS_KEYS().at("f9"), FLAG_COMMAND | FLAG_SHIFT, false);
  EXPECT_TRUE(eventually([&] { return hotKeyPresses == 1; }));
  ks->stop();
  mk->stop();
}

}  // namespace
