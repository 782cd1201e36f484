// Posting one key stroke: the order of the checks, their messages, and the two events.
#include "keystroke/post_key.h"

#include <gtest/gtest.h>

#include "support/recording_key_output.h"

namespace {

using Key = RecordingKeyOutput::Key;

TEST(PostKey, PressesAndReleasesWithTheSameFlagsAndSaysWhatStoodInTheWayOfAPress) {
  RecordingKeyOutput out;
  EXPECT_EQ(KSRules::postKey(out, "return", {"cmd", "shift"}, false), std::nullopt);
  EXPECT_EQ(std::exchange(out.keys, {}), (std::vector<Key>{{36, 0x120000, true}, {36, 0x120000, false}}));
  out.failDown = true;
  EXPECT_EQ(KSRules::postKey(out, "space", {"alt"}, false), std::nullopt);
  EXPECT_EQ(std::exchange(out.keys, {}), (std::vector<Key>{{49, 0x80000, false}}));
  // The name is checked first, then dry mode, then the trust; nothing is posted on any of them.
  out.failDown = false;
  out.isTrusted = false;
  EXPECT_EQ(KSRules::postKey(out, "Return", {}, true), "no key code for \"Return\"");
  EXPECT_EQ(KSRules::postKey(out, "a", {}, true), std::nullopt);
  EXPECT_EQ(KSRules::postKey(out, "a", {}, false),
            "not pressed: Accessibility is not allowed for Orvane VUDA Verer yet");
  out.advice = "no X display is reachable at \":5\"";
  EXPECT_EQ(
      KSRules::postKey(out, "a", {}, false),
      "not pressed: Accessibility is not allowed for Orvane VUDA Verer yet  (no X display is reachable at "
      "\":5\")");
  EXPECT_TRUE(out.keys.empty());
  EXPECT_EQ(out.trustAsked, 0);  // asking is the engine's business at start, not every key's
}

}  // namespace
