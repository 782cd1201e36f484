// The monitor's words for each received message, and which messages it never shows.
#include "mackie/core/watch.h"

#include <gtest/gtest.h>

TEST(Watch, NamesSystemMessagesOrNumbersThemGivesChannelMessagesTheirChannelAndHidesOnlyTheTimingOnes) {
  for (const int status : {0xF8, 0xFE, 0xF1})  // clock, active sensing, quarter frame
    EXPECT_TRUE(MKWatch::quiet({status, 0, 0, true})) << status;
  EXPECT_FALSE(MKWatch::quiet({0xFA, 0, 0, true}));
  EXPECT_FALSE(MKWatch::quiet({0xF8, 0, 0, false}));  // only as system messages
  // clang-format off
  const std::pair<MKMCU::MKRaw, const char*> cases[] = {
      {{0xFA, 0, 0, true}, "START"}, {{0xF0, 0, 0, true}, "SYSEX"}, {{0xF4, 0, 0, true}, "SYSTEM F4"},
      {{0x80, 60, 64, false}, "NOTE 60 off   ch 1"}, {{0x92, 60, 0, false}, "NOTE 60 off   ch 3"},
      {{0x90, 60, 100, false}, "NOTE 60 = 100   ch 1"}, {{0xA5, 61, 33, false}, "NOTE 61 PRESSURE 33   ch 6"},
      {{0xBF, 7, 127, false}, "CC 7 = 127   ch 16"}, {{0xC9, 12, 0, false}, "PROGRAM 12   ch 10"},
      {{0xD1, 90, 0, false}, "PRESSURE 90   ch 2"}, {{0xE3, 1, 127, false}, "PITCH BEND 16257   ch 4"}};
  // clang-format on
  for (const auto& [raw, text] : cases)
    EXPECT_EQ(MKWatch::describe(raw), text) << "status " << raw.status << " system " << raw.system;
}
