// The virtual-time loop double: the engines' timing tests are only as exact as it is.
#include "support/virtual_loop.h"

#include <gtest/gtest.h>

#include <string>

TEST(VirtualLoop, RunsTasksInTimeOrderAtTheirOwnTimes) {
  VirtualLoop loop(100);
  std::string order;
  std::vector<double> times;
  loop.after(2, [&] { order += "b", times.push_back(loop.now()); });
  loop.after(1, [&] { order += "a", times.push_back(loop.now()); });
  loop.after(2, [&] { order += "c", times.push_back(loop.now()); });
  loop.advance(1.5);
  EXPECT_EQ(order, "a");
  loop.advance(10);
  EXPECT_EQ(order, "abc");  // equal times keep the order they were scheduled in
  EXPECT_EQ(times, (std::vector<double>{101, 102, 102}));
  EXPECT_EQ(loop.now(), 111.5);
}

TEST(VirtualLoop, CancelledTasksNeverRunAndRepeatingOnesStopWhenCancelled) {
  VirtualLoop loop;
  int once = 0, ticks = 0;
  loop.after(1, [&] { ++once; })->cancel();
  TaskHandle repeat;
  repeat = loop.every(5, [&] {
    if (++ticks == 3) repeat->cancel();
  });
  loop.advance(4.9);
  EXPECT_EQ(ticks, 0);  // the first run is one period away
  loop.advance(100);
  EXPECT_EQ(once, 0);
  EXPECT_EQ(ticks, 3);
  EXPECT_EQ(loop.pending(), 0u);
}

TEST(VirtualLoop, PostedWorkRunsOnTheNextTurnIncludingWorkPostedByIt) {
  VirtualLoop loop;
  std::string order;
  loop.post([&] {
    order += "1";
    loop.post([&] { order += "2"; });
  });
  EXPECT_EQ(order, "");
  const double before = loop.now();
  loop.runDue();
  EXPECT_EQ(order, "12");
  EXPECT_EQ(loop.now(), before);
}
