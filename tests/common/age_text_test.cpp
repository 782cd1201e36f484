// How long ago, in the words both monitors and Live's lights use.
#include "common/age_text.h"

#include <gtest/gtest.h>

TEST(AgeText, SwitchesUnitsAtTheBoundariesAndIsEmptyWithoutATime) {
  const std::pair<double, const char*> cases[] = {
      {0, "just now"},      {1.9, "just now"}, {2, "2 s ago"},    {59.9, "59 s ago"}, {60, "1 min ago"},
      {3599, "59 min ago"}, {3600, "1 h ago"}, {7300, "2 h ago"}, {-5, "just now"},  // the wall clock went
                                                                                     // back
  };
  for (const auto& [age, text] : cases)
    EXPECT_EQ(ageText(1e6 - age, 1e6), text) << "age " << age;
  EXPECT_EQ(ageText(std::nullopt, 100), "");
}
