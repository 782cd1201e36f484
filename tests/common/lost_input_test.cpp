// Lost MIDI input in the trace: its words, and one line at most every second on the virtual loop.
#include "common/lost_input.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/virtual_loop.h"

namespace {

TEST(LostInput, TellsAtOnceThenAtMostOnceASecondWithEverythingLostMeanwhile) {
  VirtualLoop loop;
  std::vector<std::string> lines;
  const auto lost =
      std::make_shared<LostInput>(loop, [&](const std::string& line) { lines.push_back(line); });
  lost->add(12);
  EXPECT_EQ(lines, (std::vector<std::string>{"12 MIDI messages were lost: the computer was too busy"}));
  loop.advance(0.3);
  lost->add(1);
  loop.advance(0.3);
  lost->add(2);
  loop.advance(0.39);
  EXPECT_EQ(lines.size(), 1u);
  loop.advance(0.02);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[1], "3 MIDI messages were lost: the computer was too busy");
  loop.advance(5);
  EXPECT_EQ(lines.size(), 2u);

  lost->add(1);
  lost->add(0);  // some that nobody counted
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[2], "1 MIDI message was lost: the computer was too busy");
  loop.advance(1);
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[3], "MIDI messages were lost: the computer was too busy");
}

}  // namespace
