// The trace on standard output: every line once, as it is written and in order, however many one message
// writes, and a line that takes the place of another marked as such.
#include "app/trace_printer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

TEST(TracePrinter, PrintsEveryLineOnceAsWrittenAndMarksALineThatTakesThePlaceOfAnother) {
  setenv("TZ", "UTC", 1);
  tzset();
  Trace trace;
  trace.add(0, "started");  // before the printer: printed as it starts
  std::FILE* out = std::tmpfile();
  ASSERT_NE(out, nullptr);
  std::vector<std::string> expected = {"mackie  00:00:00  started"};
  {
    TracePrinter printer(out);
    printer.watch("mackie", trace);
    // One message firing 250 rows, then the same control again: four times the lines the trace keeps.
    for (const char* value : {"5", "6"}) {
      std::vector<std::string> burst;
      for (int row = 1; row <= 250; ++row)
        burst.push_back(std::string("CC 1 = ") + value + "   →   row " + std::to_string(row));
      trace.replaceRun(0, burst, "CC 1 = ");
      for (const auto& line : burst)
        expected.push_back((value == std::string("5") ? "mackie  00:00:00  " : "mackie ~ 00:00:00  ") + line);
    }
    // A STOP traced twice keeps one line in the trace; then a line of another kind.
    const auto stop = [](const std::string& last) { return last.ends_with("STOP"); };
    trace.add(1, "STOP", stop);
    trace.add(2, "STOP", stop);
    trace.add(3, "PLAY");
    for (const char* line : {"mackie  00:00:01  STOP", "mackie ~ 00:00:02  STOP", "mackie  00:00:03  PLAY"})
      expected.push_back(line);
  }
  trace.add(4, "after the printer");  // not printed, and nothing is called
  std::rewind(out);
  std::vector<std::string> printed;
  for (char buffer[256]; std::fgets(buffer, sizeof buffer, out);)
    printed.emplace_back(buffer, std::strcspn(buffer, "\n"));
  EXPECT_EQ(printed, expected);
  std::fclose(out);
}
