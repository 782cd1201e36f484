// The trace: time stamps, the 60-line bound, and replacing the last line.
#include "common/trace.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

namespace {

TEST(Trace, StampsLinesWithTheLocalTimeAndKeepsTheNewestSixty) {
  setenv("TZ", "UTC", 1);
  tzset();
  Trace trace;
  trace.add(3600 * 13 + 62.9, "first");
  EXPECT_EQ(trace.lines().front(), "13:01:02  first");
  EXPECT_EQ(clockText(1e300), "00:00:00");
  EXPECT_EQ(clockText(-INFINITY), "00:00:00");
  for (int i = 0; i < 70; ++i)
    trace.add(0, std::to_string(i));
  ASSERT_EQ(trace.lines().size(), 60u);
  EXPECT_EQ(trace.lines().front(), "00:00:00  10");
}

TEST(Trace, ReplacesTheLastLineOnlyWhenAsked) {
  Trace trace;
  const auto same = [](const std::string& last) { return last.find("knob") != std::string::npos; };
  trace.add(0, "knob 1", same);  // nothing to replace yet
  trace.add(0, "knob 2", same);
  trace.add(0, "other");
  trace.add(0, "knob 3", same);
  ASSERT_EQ(trace.lines().size(), 3u);
  EXPECT_EQ(trace.lines()[0].substr(10), "knob 2");
  EXPECT_EQ(trace.lines()[2].substr(10), "knob 3");
  trace.clear();
  EXPECT_TRUE(trace.lines().empty());
}

}  // namespace
