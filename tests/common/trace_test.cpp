// The trace: time stamps, the 60-line bound, and replacing the last line or the last event's lines.
#include "common/trace.h"

#include <gtest/gtest.h>

#include <cstdlib>

TEST(Trace, StampsLinesWithTheLocalTimeAndKeepsTheNewestSixty) {
  setenv("TZ", "UTC", 1);
  tzset();
  Trace trace;
  trace.add(3600 * 13 + 62.9, "first");
  EXPECT_EQ(trace.lines().front(), "13:01:02  first");
  for (int i = 0; i < 70; ++i)
    trace.add(0, std::to_string(i));
  EXPECT_EQ(std::tuple(trace.lines().size(), trace.lines().front(), trace.written()),
            std::tuple(60u, "00:00:00  10", 71u));
}

TEST(Trace, ReplacesTheLastLineOrTheLastEventsLinesOnlyWhenAsked) {
  Trace trace;
  const auto knob = [](const std::string& last) { return last.find("knob") != std::string::npos; };
  trace.add(0, "knob 1", knob);  // nothing to replace yet
  trace.add(0, "knob 2", knob);
  trace.add(0, "other");
  trace.add(0, "knob 3", knob);
  trace.replaceRun(0, {"CC 1 = 5 a", "CC 1 = 5 b"}, "CC 1 = ");
  trace.replaceRun(0, {"CC 1 = 6 a"}, "CC 1 = ");
  std::vector<std::string> texts;
  for (const auto& line : trace.lines())
    texts.push_back(line.substr(10));
  EXPECT_EQ(texts, (std::vector<std::string>{"knob 2", "other", "knob 3", "CC 1 = 6 a"}));
  EXPECT_EQ(trace.written(), 7u);
  trace.replaceRun(0, std::vector<std::string>(70, "CC 2 = 1"), "CC 2 = ");  // a run is bounded too
  EXPECT_EQ(trace.lines().size(), 60u);
  trace.clear();
  EXPECT_TRUE(trace.lines().empty());
}
