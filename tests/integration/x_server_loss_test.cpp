// The X11 backends with an X server of the test's own that dies mid-run: the process lives on, the key output
// says why no key is pressed, and a new server on the same display brings key strokes and hot keys back.
// Without a display at all, the key output says so.
#include <gtest/gtest.h>

#include <atomic>

#include "keystroke/keys.h"
#include "platform/x11/x11_hot_keys.h"
#include "platform/x11/x11_key_capture.h"
#include "platform/x11/x11_key_output.h"
#include "platform/x11/x11_workspace.h"
#include "support/private_x_server.h"
#include "support/spawned_process.h"
#include "support/temp_folder.h"

// The keys a dead server swallowed are not retried: each use asks again, and the first after the new server
// answers reconnects.
TEST(XServerLoss, TheX11BackendsOutliveTheirXServerAndWorkAgainOnANewOne) {
  // Nothing here uses the run's display.
  unsetenv("DISPLAY");
  X11KeyOutput none;
  none.askForTrust();
  EXPECT_EQ(none.trustAdvice(), "no X display is reachable: DISPLAY is not set");

  TempFolder home;
  PrivateXServer x(home);
  ASSERT_FALSE(x.display().empty()) << "a private Xvfb did not start; " << x.log();
  X11KeyOutput keys(x.display());
  X11Workspace workspace(x.display());
  workspace.watch([](AppEvent, const RunningApp&) {});
  std::atomic<int> hotKeyPresses = 0;
  X11HotKeys hotKeys(x.display());
  hotKeys.onPress([&](std::uint32_t) { ++hotKeyPresses; });
  ASSERT_TRUE(hotKeys.registerKey(KS_KEYS().at("f9"), 0x100 | 0x200, 1));
  // The chord, held since before any loss, fires when the key output strokes it.
  const auto chordFires = [&] {
    const int before = hotKeyPresses;
    return eventually([&] {
      keys.postKey(KS_KEYS().at("f9"), FLAG_COMMAND | FLAG_SHIFT, true);
      keys.postKey(KS_KEYS().at("f9"), FLAG_COMMAND | FLAG_SHIFT, false);
      return hotKeyPresses > before;
    });
  };
  EXPECT_TRUE(chordFires());

  x.kill();
  EXPECT_TRUE(eventually([&] { return !keys.postKey(KS_KEYS().at("b"), 0, true); }));
  EXPECT_EQ(keys.trustAdvice(), "no X display is reachable at \"" + x.display() + "\"");
  EXPECT_TRUE(eventually([&] { return workspace.screens().empty(); }));
  EXPECT_FALSE(hotKeys.registerKey(KS_KEYS().at("f8"), 0x100 | 0x200, 2));
  X11KeyCapture capture(x.display());
  EXPECT_FALSE(capture.start([](std::uint16_t, std::uint64_t) {}));
  EXPECT_EQ(capture.refusal(), KeyCapture::Refusal::notAllowed);

  ASSERT_TRUE(x.start()) << "the private Xvfb did not start again; " << x.log();
  EXPECT_FALSE(workspace.screens().empty());
  // The next use opens the display again and grabs the chord held before the loss.
  EXPECT_TRUE(hotKeys.registerKey(KS_KEYS().at("f8"), 0x100 | 0x200, 2));
  EXPECT_TRUE(chordFires()) << "no key stroke or no hot key on the new server";
}
