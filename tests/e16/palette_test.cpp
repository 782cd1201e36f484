// The E16 colour palette, its text form, and the MK module's form of a knob record.
#include "e16/palette.h"

#include <gtest/gtest.h>

#include "e16/knob.h"

// Both ends of the device's table, one in the middle, and grey outside it.
TEST(Palette, TextFormIsTheTablesColourAndGreyOutsideIt) {
  const std::pair<int, const char*> cases[] = {
      {0, "#9D61FF"}, {57, "#FF3420"}, {99, "#00D4AE"}, {-1, "#999999"}, {100, "#999999"}};
  for (const auto& [index, text] : cases)
    EXPECT_EQ(e16::hex(index), text) << index;
}

// A guessed knob has no colour of its own, so no colour text either.
TEST(MKKnob, CarriesEveryFieldAndShowsTheColourAsText) {
  const e16::E16Knob read{2, 3, 20, 4, 3, true, false, 0x0D8DFF, 78, "Pan", false};
  EXPECT_EQ(e16::mkKnob(read), (e16::MKKnob{2, 3, 20, 4, 3, true, false, "#0D8DFF", 78, "Pan", false}));
  const e16::E16Knob guess{0, 5, 5, 0, 3, true, true, std::nullopt, -1, "", true};
  EXPECT_EQ(e16::mkKnob(guess), (e16::MKKnob{0, 5, 5, 0, 3, true, true, "", -1, "", true}));
}
