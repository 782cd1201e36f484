// The Qt loop against a real QCoreApplication: timer order, repeating and cancelling, watches, work posted
// from another thread, a handle that outlives its loop. The event loop runs until a condition holds.
#include "platform/qt/qt_loop.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <QCoreApplication>
#include <thread>
#include <vector>

#include "support/spawned_process.h"

namespace {

// Runs the event loop until `done` holds or five seconds pass.
bool runUntil(const std::function<bool()>& done) {
  return eventually([&] {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return done();
  });
}

// Runs the event loop for `seconds` of `loop`'s timers: long enough for what must not run to have run.
void runFor(Loop& loop, double seconds) {
  bool later = false;
  loop.after(seconds, [&] { later = true; });
  ASSERT_TRUE(runUntil([&] { return later; }));
}

TEST(QtLoop, RunsTimersInOrderUntilCancelledAndWatchesAndPostedWorkOnItsThread) {
  int argc = 1;
  char* argv[] = {const_cast<char*>("qt_loop"), nullptr};
  const QCoreApplication app(argc, argv);
  QtLoop loop;
  std::vector<int> ran;
  loop.after(0.03, [&] { ran.push_back(2); });
  loop.after(0.01, [&] { ran.push_back(1); });
  const auto cancelled = loop.after(0.01, [&] { ran.push_back(-1); });
  cancelled->cancel();
  int runs = 0;
  TaskHandle repeating;
  repeating = loop.every(0.005, [&] {
    if (++runs == 3) repeating->cancel();  // from inside
  });
  ASSERT_TRUE(runUntil([&] { return ran.size() >= 2 && runs >= 3; }));
  runFor(loop, 0.05);
  EXPECT_EQ(std::pair(ran, runs), std::pair(std::vector<int>{1, 2}, 3));

  // A watch runs on the loop's thread when its descriptor can be read, until it cancels itself.
  const auto loopThread = std::this_thread::get_id();
  int ends[2];
  ASSERT_EQ(pipe2(ends, O_NONBLOCK | O_CLOEXEC), 0);
  std::string got;
  TaskHandle watch;
  watch = loop.watch(ends[0], [&] {
    for (char byte; read(ends[0], &byte, 1) == 1;)
      got += std::this_thread::get_id() == loopThread ? byte : '!';
    if (got.size() >= 2) watch->cancel();
  });
  for (const char* byte : {"a", "b", "c"}) {
    ASSERT_EQ(write(ends[1], byte, 1), 1);
    runFor(loop, 0.02);
  }
  EXPECT_EQ(got, "ab");
  close(ends[0]);
  close(ends[1]);

  // Work posted from another thread runs on the loop's thread.
  std::thread::id ranOn;
  std::thread([&] { loop.post([&] { ranOn = std::this_thread::get_id(); }); }).join();
  EXPECT_TRUE(runUntil([&] { return ranOn == loopThread; }));

  // A handle may outlive its loop, as the engines' do at quit: its timer went with the loop, and cancelling
  // it later touches nothing that is gone (the sanitizer build watches that).
  bool fired = false;
  TaskHandle outlived;
  {
    QtLoop gone;
    outlived = gone.every(0.001, [&] { fired = true; });
  }
  runFor(loop, 0.02);
  outlived->cancel();
  EXPECT_FALSE(fired);
}

}  // namespace
