// Tests for the monitor texts: which messages are hidden, the wording of each message, and the age text.
#include "mackie/core/watch.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

namespace {

using MKMCU::MKRaw;

TEST(Watch, OnlyClockActiveSensingAndQuarterFrameAreQuiet) {
  EXPECT_TRUE(MKWatch::quiet({0xF8, 0, 0, true}));
  EXPECT_TRUE(MKWatch::quiet({0xFE, 0, 0, true}));
  EXPECT_TRUE(MKWatch::quiet({0xF1, 0x25, 0, true}));
  EXPECT_FALSE(MKWatch::quiet({0xFA, 0, 0, true}));
  EXPECT_FALSE(MKWatch::quiet({0xF0, 0, 0, true}));
  EXPECT_FALSE(MKWatch::quiet({0x90, 0x3C, 0x64, false}));
  // Only a system message is quiet, whatever its status number.
  EXPECT_FALSE(MKWatch::quiet({0xF8, 0, 0, false}));
}

TEST(Watch, EveryMessageIsWordedSystemOnesByNameOrHexAndChannelOnesWithTheirChannel) {
  const std::pair<MKRaw, const char*> cases[] = {
      {{0xFA, 0, 0, true}, "START"},
      {{0xFB, 0, 0, true}, "CONTINUE"},
      {{0xFC, 0, 0, true}, "STOP"},
      {{0xF2, 0x10, 0x20, true}, "SONG POSITION"},
      {{0xF0, 0, 0, true}, "SYSEX"},
      {{0xF3, 0x05, 0, true}, "SONG SELECT"},
      {{0xF6, 0, 0, true}, "TUNE REQUEST"},
      {{0xFF, 0, 0, true}, "RESET"},
      {{0xF4, 0, 0, true}, "SYSTEM F4"},
      {{0xF5, 0, 0, true}, "SYSTEM F5"},
      {{0xF9, 0, 0, true}, "SYSTEM F9"},
      {{0xFD, 0, 0, true}, "SYSTEM FD"},
      {{0xF8, 0, 0, true}, "SYSTEM F8"},
      {{0xF1, 0x25, 0, true}, "SYSTEM F1"},
      {{0x0A, 0, 0, true}, "SYSTEM 0A"},
      {{0x80, 60, 64, false}, "NOTE 60 off   ch 1"},
      {{0x92, 60, 0, false}, "NOTE 60 off   ch 3"},
      {{0x90, 60, 100, false}, "NOTE 60 = 100   ch 1"},
      {{0xA5, 61, 33, false}, "NOTE 61 PRESSURE 33   ch 6"},
      {{0xBF, 7, 127, false}, "CC 7 = 127   ch 16"},
      {{0xB0, 0, 0, false}, "CC 0 = 0   ch 1"},
      {{0xC9, 12, 0, false}, "PROGRAM 12   ch 10"},
      {{0xD1, 90, 0, false}, "PRESSURE 90   ch 2"},
      {{0xE0, 0, 64, false}, "PITCH BEND 8192   ch 1"},
      {{0xE3, 127, 127, false}, "PITCH BEND 16383   ch 4"},
      {{0xE0, 1, 0, false}, "PITCH BEND 1   ch 1"},
      // Malformed statuses still get a text, and out-of-range bytes do not overflow.
      {{0x05, 1, 2, false}, "05"},
      {{0x7F, 0, 0, false}, "7F"},
      {{0xFA, 0, 0, false}, "START"},
      {{0xF4, 0, 0, false}, "SYSTEM F4"},
      {{0x190, 60, 1, false}, "NOTE 60 = 1   ch 1"},
      {{0x1FC, 0, 0, true}, "STOP"},
      {{0x105, 0, 0, false}, "05"},
      {{0xE0, std::numeric_limits<int>::max(), std::numeric_limits<int>::max(), false},
       "PITCH BEND 277025390463   ch 1"}};
  for (const auto& [raw, text] : cases)
    EXPECT_EQ(MKWatch::describe(raw), text)
        << "status " << raw.status << " d1 " << raw.d1 << " d2 " << raw.d2 << " system " << raw.system;
}

TEST(Watch, AgeTextSwitchesUnitsAtTheBoundariesAndIsEmptyWithoutAUsableTime) {
  const std::pair<double, const char*> cases[] = {{0, "just now"},         {1.9, "just now"},
                                                  {2, "2 s ago"},          {2.7, "2 s ago"},
                                                  {59.9, "59 s ago"},      {60, "1 min ago"},
                                                  {119.9, "1 min ago"},    {3599, "59 min ago"},
                                                  {3599.99, "59 min ago"}, {3600, "1 h ago"},
                                                  {7199, "1 h ago"},       {7300, "2 h ago"},
                                                  {-5, "just now"},        {1e20, "27777777777777776 h ago"}};
  const double now = 1000000;
  for (const auto& [age, text] : cases)
    EXPECT_EQ(mkAgo(now - age, now), text) << "age " << age;

  const double inf = std::numeric_limits<double>::infinity(), nan = std::numeric_limits<double>::quiet_NaN();
  const double max = std::numeric_limits<double>::max();
  EXPECT_EQ(mkAgo(std::nullopt, 100), "");
  EXPECT_EQ(mkAgo(nan, 100), "");
  EXPECT_EQ(mkAgo(-inf, 100), "");
  EXPECT_EQ(mkAgo(10, nan), "");
  EXPECT_EQ(mkAgo(10, inf), "");
  EXPECT_EQ(mkAgo(-max, max), "");  // both finite, but the difference is too large for a double
}

}  // namespace
