// Lost MIDI input in the trace: its words, and one line at most every second on the virtual loop; the pacing
// it shares with volume changes.
#include "common/lost_input.h"

#include <gtest/gtest.h>

#include "common/pacing.h"
#include "support/virtual_loop.h"

// Told at once, then at most once a second with everything lost meanwhile; a loss nobody counted (0) has no
// number.
TEST(LostInput, TellsAtOnceThenAtMostOnceASecondWithEverythingLostMeanwhile) {
  VirtualLoop loop;
  std::vector<std::string> lines;
  const auto lost =
      std::make_shared<LostInput>(loop, [&](const std::string& line) { lines.push_back(line); });
  lost->add(12);
  loop.advance(0.3);
  lost->add(1);
  loop.advance(0.3);
  lost->add(2);
  loop.advance(0.39);
  EXPECT_EQ(lines.size(), 1u);
  loop.advance(0.02);
  EXPECT_EQ(lines.size(), 2u);
  loop.advance(5);
  lost->add(1);
  lost->add(0);
  loop.advance(1);
  EXPECT_EQ(lines, (std::vector<std::string>{"12 MIDI messages were lost: the computer was too busy",
                                             "3 MIDI messages were lost: the computer was too busy",
                                             "1 MIDI message was lost: the computer was too busy",
                                             "MIDI messages were lost: the computer was too busy"}));
}

// The pacing of lost-input lines and of volume changes: counted from the last time, and due at once after the
// wall clock went back, not an hour later.
TEST(SecondsUntilDue, CountsFromTheLastTimeAndIsDueAtOnceAfterTheClockWentBack) {
  EXPECT_DOUBLE_EQ(secondsUntilDue(100, 1, 100.25), 0.75);
  EXPECT_LE(secondsUntilDue(100, 1, 101.5), 0);
  EXPECT_EQ(secondsUntilDue(100, 1, 100 - 3600), 0);
}
