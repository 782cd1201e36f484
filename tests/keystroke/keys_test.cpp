// The key table, its inverse, the modifier flags and chords.
#include "keystroke/keys.h"

#include <gtest/gtest.h>

// Both directions hold every name, so nothing is lost or doubled; the codes the capture tests press are the
// US keyboard's.
TEST(Keys, TableInvertsWithoutLossAndNamesTheUsKeyboardsCodes) {
  ASSERT_EQ(KS_KEYNAMES().size(), KS_KEYS().size());
  for (const auto& [name, code] : KS_KEYS())
    EXPECT_EQ(KS_KEYNAMES().at(code), name);
  const std::pair<const char*, int> codes[] = {{"a", 0},       {"s", 1},     {"return", 36}, {"space", 49},
                                               {"escape", 53}, {"pad=", 81}, {"up", 126}};
  for (const auto& [name, code] : codes)
    EXPECT_EQ(KS_KEYS().at(name), code) << name;
  EXPECT_EQ(KS_KEYS().size(), 110u);
  std::vector<int> functionKeys;  // their codes follow no pattern
  for (int i = 1; i <= 20; ++i)
    functionKeys.push_back(KS_KEYS().at("f" + std::to_string(i)));
  EXPECT_EQ(functionKeys, (std::vector<int>{122, 120, 99,  118, 96,  97,  98, 100, 101, 109,
                                            103, 111, 105, 107, 113, 106, 64, 79,  80,  90}));
}

// The other flags show in the full chord, which takes them from the same function.
TEST(Keys, ChordCarriesBothModifierEncodingsAndOnlyTheFlagsKeepFn) {
  EXPECT_EQ(std::tuple(chordOf({"cmd", "alt", "shift", "ctrl"}, 1), chordOf({"fn"}, 96), ksFlags({"fn"})),
            std::tuple(Chord{0x1B00, 0x1E0000, 1}, Chord{0, 0, 96}, 0x800000u));
}
