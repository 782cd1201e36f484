// One character in the other case, in every UTF-8 length; anything but one well-formed character unchanged.
#include "common/letter_case.h"

#include <gtest/gtest.h>

TEST(LetterCase, MapsOneCharacterOfEachLengthAndLeavesEverythingElse) {
  const std::pair<const char*, const char*> lowerUpper[] = {{"a", "A"}, {"é", "É"}, {"ж", "Ж"},
                                                            {"ⓐ", "Ⓐ"}, {"𐐨", "𐐀"}, {"1", "1"}};
  for (const auto& [lower, upper] : lowerUpper) {
    EXPECT_EQ(letterCase::upperOne(lower), upper) << lower;
    EXPECT_EQ(letterCase::lowerOne(upper), lower) << upper;
  }
  // Two characters, a lone continuation byte, a cut sequence, an overlong form and a surrogate.
  for (const char* other : {"ab", "\x80", "\xC3", "\xC1\xA1", "\xED\xA0\x80", ""})
    EXPECT_EQ(letterCase::upperOne(other), other);
}
