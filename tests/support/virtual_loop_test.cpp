// The virtual-time loop double: the engines' timing tests are only as exact as it is.
#include "support/virtual_loop.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

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

TEST(VirtualLoop, PostedWorkAndReadableWatchesRunOnTheNextTurnIncludingWorkPostedByThem) {
  VirtualLoop loop;
  std::string order;
  int ends[2];
  ASSERT_EQ(pipe2(ends, O_NONBLOCK), 0);
  const auto watch = loop.watch(ends[0], [&] {
    char byte;
    while (read(ends[0], &byte, 1) == 1)
      order += byte;
  });
  loop.post([&] {
    order += "1";
    loop.post([&] { order += "2"; });
    ASSERT_EQ(write(ends[1], "w", 1), 1);
  });
  EXPECT_EQ(order, "");
  const double before = loop.now();
  loop.runDue();
  EXPECT_EQ(order, "12w");
  EXPECT_EQ(loop.now(), before);
  watch->cancel();
  ASSERT_EQ(write(ends[1], "x", 1), 1);
  loop.runDue();
  EXPECT_EQ(order, "12w");
  close(ends[0]);
  close(ends[1]);
}
