// Posting one key stroke: the order of the checks, their messages, and the two events.
#include "keystroke/post_key.h"

#include <gtest/gtest.h>

#include "support/recording_key_output.h"

using Key = RecordingKeyOutput::Key;

// The name is checked first, then dry mode, then the trust; nothing is posted on any of them, and asking for
// trust is the engine's business at start, not every key's. A press that fails is released all the same.
TEST(PostKey, PressesAndReleasesWithTheSameFlagsAndSaysWhatStoodInTheWayOfAPress) {
  RecordingKeyOutput out;
  EXPECT_EQ(KSRules::postKey(out, "return", {"cmd", "shift"}, false), std::nullopt);
  out.failDown = true;
  EXPECT_EQ(KSRules::postKey(out, "space", {"alt"}, false), std::nullopt);
  EXPECT_EQ(std::exchange(out.keys, {}),
            (std::vector<Key>{{36, 0x120000, true}, {36, 0x120000, false}, {49, 0x80000, false}}));
  out.failDown = false;
  out.isTrusted = false;
  const std::string untrusted = "not pressed: Accessibility is not allowed for Orvane VUDA Verer yet";
  const std::tuple<const char*, bool, std::optional<std::string>> cases[] = {
      {"Return", true, "no key code for \"Return\""}, {"a", true, std::nullopt}, {"a", false, untrusted}};
  for (const auto& [key, dry, says] : cases)
    EXPECT_EQ(KSRules::postKey(out, key, {}, dry), says) << key;
  out.advice = "no X display is reachable at \":5\"";
  EXPECT_EQ(KSRules::postKey(out, "a", {}, false), untrusted + "  (no X display is reachable at \":5\")");
  EXPECT_EQ(std::pair(out.keys.size(), out.trustAsked), std::pair(0ul, 0));
}
