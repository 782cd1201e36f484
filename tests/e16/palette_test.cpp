// The E16 colour palette, its text form, and the MK module's form of a knob record.
#include "e16/palette.h"

#include <gtest/gtest.h>

#include <sstream>

#include "e16/knob.h"

// An independent copy of the device's table, typed as it is published, so that one wrong digit fails.
constexpr const char* TABLE = R"(
  9D61FF 8F60FF 8960FF 7D60FF 745FFF 675FFF 5B59FF 4D51FF 3F4BFF 454FFF
  4653FF 4C57FF 4B58FF 4F5CFF 5663FF 5A67FF 647BFF 6D8FFF 759EFF 7FAFFF
  87B0FF 90B3FF 97B5FF 9EB6FF A4B1FF ACB0FF B8B3FF C5B9FF D1BFFF DAC4FF
  D2B6FF C8A7FF DAC4FF ECE1FF FFFEFF FFEAF8 FFDCD2 F5FDBC E8FCB7 D7FCB0
  DEFC9F EBFB8E F3FC8C F9FC8C FEFA89 F5FDDC B8F9FF FFEDFF FFC9FF FFBAF7
  FFAAEE FF99E2 FF89D1 FF8DC1 FF91B2 FF78AF FF61AE FF3420 FF3420 FF3420
  FF3420 FF3420 FF3420 FF3420 FF59B9 FF59B9 FF59B9 FF5AD5 FF5AEF FF5CFF
  F55BFF E76CFF DE7CFF D78FFF B885FF 937BFF 92ACFF 5695FF 0D8DFF 0A97FF
  05A1FF 00AFFF 00BAFF 00CAFF 00DFFF 00F1FF 00FCEB 00E9C1 00D596 00DE95
  00E58E 00E894 00ED9E 00F2A5 00F3AB 00F6B4 00FABB 00EDB9 00DFB1 00D4AE
)";

// The text form is the table's colour, and grey outside the table.
TEST(Palette, MatchesThePublishedTableAndIsGreyOutsideIt) {
  std::istringstream table(TABLE);
  int index = 0;
  for (std::string colour; table >> colour; ++index)
    EXPECT_EQ(e16::hex(index), "#" + colour) << index;
  EXPECT_EQ(index, 100);
  for (const int outside : {-1, 100})
    EXPECT_EQ(e16::hex(outside), "#999999");
}

// A guessed knob has no colour of its own, so no colour text either.
TEST(MKKnob, CarriesEveryFieldAndShowsTheColourAsText) {
  const e16::E16Knob read{2, 3, 20, 4, 3, true, false, 0x0D8DFF, 78, "Pan", false};
  EXPECT_EQ(e16::mkKnob(read), (e16::MKKnob{2, 3, 20, 4, 3, true, false, "#0D8DFF", 78, "Pan", false}));
  const e16::E16Knob guess{0, 5, 5, 0, 3, true, true, std::nullopt, -1, "", true};
  EXPECT_EQ(e16::mkKnob(guess), (e16::MKKnob{0, 5, 5, 0, 3, true, true, "", -1, "", true}));
}
