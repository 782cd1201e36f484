// The Mackie wire encoding: relative knob reading, V-Pot, jog and tempo bytes, and fader positions. Each
// command's wire text is checked against the reference table in catalogue_test.
#include "mackie/core/wire.h"

#include <gtest/gtest.h>

using MKMCU::MKBend;
using MKMCU::MKClickByte;

TEST(Delta, ReadsEachRelativeEncodingAndNothingForAValueWithoutMovement) {
  const std::tuple<const char*, int, std::optional<int>> cases[] = {
      {"twos", 1, 1},      {"twos", 63, 63},      {"twos", 64, -64},  {"twos", 127, -1},
      {"twos", 0, {}},     {"offset", 65, 1},     {"offset", 63, -1}, {"offset", 0, -64},
      {"offset", 127, 63}, {"offset", 64, {}},    {"signmag", 1, 1},  {"signmag", 63, 63},
      {"signmag", 65, -1}, {"signmag", 127, -63}, {"signmag", 0, {}}, {"signmag", 64, {}}};
  for (const auto& [mode, value, clicks] : cases)
    EXPECT_EQ(MKMCU::delta(mode, value), clicks) << mode << " " << value;
}

// The V-Pot byte (sign-magnitude) is checked through fire_test's V-Pot and jog actions.
TEST(ClickBytes, JogCarriesTwiceTheClicksUpTo31AndTempoOneUnitAClickUpTo63) {
  const std::pair<int, std::optional<MKClickByte>> jog[] = {
      {0, {}}, {1, {{2, 1}}}, {-1, {{66, 1}}}, {31, {{62, 31}}}, {-31, {{126, 31}}}, {40, {{62, 31}}}};
  for (const auto& [clicks, byte] : jog)
    EXPECT_EQ(MKMCU::jogByteForClicks(clicks), byte) << clicks;
  const std::pair<int, std::optional<MKClickByte>> tempo[] = {
      {0, {}}, {1, {{1, 1}}}, {-1, {{65, 1}}}, {63, {{63, 63}}}, {-70, {{127, 63}}}};
  for (const auto& [clicks, byte] : tempo)
    EXPECT_EQ(MKMCU::tempoByteForClicks(clicks), byte) << clicks;
}

TEST(Fader, ScalesSevenBitKnobsToTheWholeRangeAndPassesFourteenBitPositionsThrough) {
  const std::tuple<int, int, MKBend> cases[] = {
      {0, 7, {0, 0}},       {1, 7, {1, 1}},        // 129 exactly: 16383 / 127
      {64, 7, {64, 64}},    {127, 7, {127, 127}},  // 8256, and the top
      {1000, 14, {104, 7}}, {127, 14, {127, 0}}};
  for (const auto& [value, bits, bend] : cases)
    EXPECT_EQ(MKMCU::fader(value, bits), bend) << value << " at " << bits << " bits";
}
