// The Mackie wire encoding: relative knob reading, V-Pot, jog and tempo bytes, fader positions and the texts.
#include "mackie/core/wire.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

using MKMCU::MKBend;
using MKMCU::MKClickByte;

TEST(Delta, ReadsEachRelativeEncodingAndNothingForAbsentOrOutOfRangeValues) {
  const struct {
    const char* mode;
    std::optional<int> value, clicks;
  } cases[] = {{"twos", 1, 1},      {"twos", 63, 63},      {"twos", 64, -64},
               {"twos", 127, -1},   {"twos", 0, {}},       {"offset", 65, 1},
               {"offset", 63, -1},  {"offset", 0, -64},    {"offset", 127, 63},
               {"offset", 64, {}},  {"signmag", 1, 1},     {"signmag", 63, 63},
               {"signmag", 65, -1}, {"signmag", 127, -63}, {"signmag", 0, {}},
               {"signmag", 64, {}}, {"unknown", 127, -1},  // any other mode reads as two's complement
               {"", 5, 5}};
  for (const auto& c : cases)
    EXPECT_EQ(MKMCU::delta(c.mode, c.value), c.clicks) << c.mode << " " << c.value.value_or(-999);
  for (const char* mode : {"twos", "offset", "signmag"})
    for (const std::optional<int> value :
         {std::optional<int>(), std::optional(128), std::optional(-1), std::optional(INT_MIN)})
      EXPECT_EQ(MKMCU::delta(mode, value), std::nullopt) << mode << " " << value.value_or(-999);
}

TEST(Signmag, SetsBitSixForLeftAndClampsTheMagnitude) {
  const std::pair<int, std::optional<int>> cases[] = {{0, {}},    {1, 1},    {-1, 65},    {63, 63},
                                                      {-63, 127}, {100, 63}, {-100, 127}, {INT_MIN, 127}};
  for (const auto& [clicks, byte] : cases)
    EXPECT_EQ(MKMCU::signmag(clicks), byte) << clicks;
}

TEST(ClickBytes, JogCarriesTwiceTheClicksUpToThirtyOneAndTempoOneUnitAClickUpToSixtyThree) {
  const std::pair<int, std::optional<MKClickByte>> jog[] = {
      {0, {}},          {1, {{2, 1}}},         {-1, {{66, 1}}}, {31, {{62, 31}}}, {-31, {{126, 31}}},
      {40, {{62, 31}}}, {INT_MIN, {{126, 31}}}};
  for (const auto& [clicks, byte] : jog)
    EXPECT_EQ(MKMCU::jogByteForClicks(clicks), byte) << clicks;
  const std::pair<int, std::optional<MKClickByte>> tempo[] = {
      {0, {}}, {1, {{1, 1}}}, {-1, {{65, 1}}}, {63, {{63, 63}}}, {-70, {{127, 63}}}};
  for (const auto& [clicks, byte] : tempo)
    EXPECT_EQ(MKMCU::tempoByteForClicks(clicks), byte) << clicks;
}

TEST(Fader, ScalesSevenBitKnobsToTheWholeRangeAndPassesFourteenBitPositionsThrough) {
  const struct {
    int value, bits;
    MKBend bend;
  } cases[] = {
      {0, 7, {0, 0}},       {64, 7, {64, 64}},                                  // 8256
      {127, 7, {127, 127}}, {1, 7, {1, 1}},                                     // 129.0 exactly: 16383 / 127
      {-5, 7, {0, 0}},      {200, 7, {127, 127}},    {INT_MAX, 0, {127, 127}},  // any width but 14 is 7-bit
      {1000, 14, {104, 7}}, {20000, 14, {127, 127}}, {-1, 14, {0, 0}},         {127, 14, {127, 0}}};
  for (const auto& c : cases)
    EXPECT_EQ(MKMCU::fader(c.value, c.bits), c.bend) << c.value << " at " << c.bits << " bits";
}

TEST(Names, TheWireAndShortNameAreEmptyForAnUnknownCommandAndModifiersAreNamed) {
  // Every command's texts are checked against the reference table in catalogue_test.
  EXPECT_EQ(MKMCU::wire("nosuch"), "");
  EXPECT_EQ(MKMCU::shortName("nosuch"), "");
  const std::pair<int, const char*> mods[] = {
      {70, "SHIFT"}, {71, "OPTION"}, {72, "CONTROL"}, {73, "ALT"}, {74, "note 74"}};
  for (const auto& [note, name] : mods)
    EXPECT_EQ(MKMCU::modName(note), name);
}

}  // namespace
