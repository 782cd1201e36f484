// The Mackie wire encoding: relative knob reading, V-Pot, jog and tempo bytes, fader positions and the texts.
#include "mackie/core/wire.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

using MKMCU::MKBend;
using MKMCU::MKClickByte;

struct DeltaCase {
  const char* mode;
  std::optional<int> value;
  std::optional<int> clicks;
};

TEST(Delta, ReadsEachRelativeEncoding) {
  const DeltaCase cases[] = {
      {"twos", 1, 1},
      {"twos", 63, 63},
      {"twos", 64, -64},
      {"twos", 127, -1},
      {"twos", 0, std::nullopt},
      {"offset", 65, 1},
      {"offset", 63, -1},
      {"offset", 0, -64},
      {"offset", 127, 63},
      {"offset", 64, std::nullopt},
      {"signmag", 1, 1},
      {"signmag", 63, 63},
      {"signmag", 65, -1},
      {"signmag", 127, -63},
      {"signmag", 0, std::nullopt},
      {"signmag", 64, std::nullopt},
      {"unknown", 127, -1},  // any other mode reads as two's complement
      {"", 5, 5},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.mode) + " " + std::to_string(c.value.value_or(-999)));
    EXPECT_EQ(MKMCU::delta(c.mode, c.value), c.clicks);
  }
}

TEST(Delta, GivesNothingForAbsentOrOutOfRangeValues) {
  for (const char* mode : {"twos", "offset", "signmag"}) {
    EXPECT_EQ(MKMCU::delta(mode, std::nullopt), std::nullopt);
    EXPECT_EQ(MKMCU::delta(mode, 128), std::nullopt);
    EXPECT_EQ(MKMCU::delta(mode, -1), std::nullopt);
    EXPECT_EQ(MKMCU::delta(mode, INT_MIN), std::nullopt);
  }
}

TEST(Signmag, SetsBitSixForLeftAndClampsTheMagnitude) {
  EXPECT_EQ(MKMCU::signmag(0), std::nullopt);
  EXPECT_EQ(MKMCU::signmag(1), 1);
  EXPECT_EQ(MKMCU::signmag(-1), 65);
  EXPECT_EQ(MKMCU::signmag(63), 63);
  EXPECT_EQ(MKMCU::signmag(-63), 127);
  EXPECT_EQ(MKMCU::signmag(100), 63);
  EXPECT_EQ(MKMCU::signmag(-100), 127);
  EXPECT_EQ(MKMCU::signmag(INT_MIN), 127);
}

TEST(JogByte, CarriesTwiceTheClicksUpToThirtyOne) {
  EXPECT_EQ(MKMCU::jogByteForClicks(0), std::nullopt);
  EXPECT_EQ(MKMCU::jogByteForClicks(1), (MKClickByte{2, 1}));
  EXPECT_EQ(MKMCU::jogByteForClicks(-1), (MKClickByte{66, 1}));
  EXPECT_EQ(MKMCU::jogByteForClicks(31), (MKClickByte{62, 31}));
  EXPECT_EQ(MKMCU::jogByteForClicks(-31), (MKClickByte{126, 31}));
  EXPECT_EQ(MKMCU::jogByteForClicks(40), (MKClickByte{62, 31}));
  EXPECT_EQ(MKMCU::jogByteForClicks(INT_MIN), (MKClickByte{126, 31}));
}

TEST(TempoByte, CarriesOneUnitAClickUpToSixtyThree) {
  EXPECT_EQ(MKMCU::tempoByteForClicks(0), std::nullopt);
  EXPECT_EQ(MKMCU::tempoByteForClicks(1), (MKClickByte{1, 1}));
  EXPECT_EQ(MKMCU::tempoByteForClicks(-1), (MKClickByte{65, 1}));
  EXPECT_EQ(MKMCU::tempoByteForClicks(63), (MKClickByte{63, 63}));
  EXPECT_EQ(MKMCU::tempoByteForClicks(-70), (MKClickByte{127, 63}));
}

TEST(Fader, ScalesSevenBitKnobsToTheWholeRange) {
  EXPECT_EQ(MKMCU::fader(0, 7), (MKBend{0, 0}));
  EXPECT_EQ(MKMCU::fader(64, 7), (MKBend{64, 64}));  // 8256
  EXPECT_EQ(MKMCU::fader(127, 7), (MKBend{127, 127}));
  EXPECT_EQ(MKMCU::fader(1, 7), (MKBend{1, 1}));  // 129.0 exactly: 16383 / 127
  EXPECT_EQ(MKMCU::fader(-5, 7), (MKBend{0, 0}));
  EXPECT_EQ(MKMCU::fader(200, 7), (MKBend{127, 127}));
  EXPECT_EQ(MKMCU::fader(INT_MAX, 0), (MKBend{127, 127}));  // any width but 14 is 7-bit
}

TEST(Fader, PassesFourteenBitPositionsThrough) {
  EXPECT_EQ(MKMCU::fader(1000, 14), (MKBend{104, 7}));
  EXPECT_EQ(MKMCU::fader(20000, 14), (MKBend{127, 127}));
  EXPECT_EQ(MKMCU::fader(-1, 14), (MKBend{0, 0}));
  EXPECT_EQ(MKMCU::fader(127, 14), (MKBend{127, 0}));
}

TEST(Wire, AndTheShortNameAreEmptyForAnUnknownCommand) {
  // Every command's texts are checked against the reference table in catalogue_test.
  EXPECT_EQ(MKMCU::wire("nosuch"), "");
  EXPECT_EQ(MKMCU::shortName("nosuch"), "");
}

TEST(ModName, NamesTheFourModifiersAndNumbersAnyOtherNote) {
  EXPECT_EQ(MKMCU::modName(70), "SHIFT");
  EXPECT_EQ(MKMCU::modName(71), "OPTION");
  EXPECT_EQ(MKMCU::modName(72), "CONTROL");
  EXPECT_EQ(MKMCU::modName(73), "ALT");
  EXPECT_EQ(MKMCU::modName(74), "note 74");
}

}  // namespace
