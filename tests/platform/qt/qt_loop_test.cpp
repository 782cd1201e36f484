// The Qt loop against a real QCoreApplication: timer order, repeating and cancelling, work posted from other
// threads, and handles that outlive their loop. Each test runs the event loop until its condition holds.
#include "platform/qt/qt_loop.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <QCoreApplication>
#include <chrono>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "support/spawned_process.h"

namespace {

class QtLoopTest : public ::testing::Test {
 protected:
  // Runs the event loop until `done` holds or five seconds pass.
  static bool runUntil(const std::function<bool()>& done) {
    return eventually([&] {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
      return done();
    });
  }

  int argc_ = 1;
  char name_[8] = "qt_loop";
  char* argv_[2] = {name_, nullptr};
  QCoreApplication app_{argc_, argv_};
  QtLoop loop_;
};

TEST_F(QtLoopTest, RunsOneShotsInTheOrderTheyFallDueOnceRepeatsUntilCancelledAndNeverRunsACancelledTask) {
  const double system =
      std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
  EXPECT_NEAR(loop_.now(), system, 5.0);  // the wall clock, in seconds since the epoch
  std::vector<int> ran;
  loop_.after(0.03, [&] { ran.push_back(2); });
  const auto first = loop_.after(0.01, [&] { ran.push_back(1); });
  bool cancelledRan = false;
  const auto cancelled = loop_.after(0.01, [&] { cancelledRan = true; });
  cancelled->cancel();
  int runs = 0;
  TaskHandle repeating;
  repeating = loop_.every(0.005, [&] {
    if (++runs == 3) repeating->cancel();  // from inside
  });
  ASSERT_TRUE(runUntil([&] { return ran.size() >= 2 && runs >= 3; }));
  // Long enough for a one-shot to run twice or the repeat to go on.
  bool later = false;
  loop_.after(0.05, [&] { later = true; });
  ASSERT_TRUE(runUntil([&] { return later; }));
  EXPECT_EQ(ran, (std::vector<int>{1, 2}));
  EXPECT_EQ(runs, 3);
  EXPECT_FALSE(cancelledRan);
  // Cancelling again, or after the task ran or stopped, does nothing.
  first->cancel();
  first->cancel();
  repeating->cancel();
  cancelled->cancel();
}

TEST_F(QtLoopTest, RunsWorkPostedFromAnotherThreadOnTheLoopsThreadInOrder) {
  const auto loopThread = std::this_thread::get_id();
  std::vector<int> ran;
  bool allOnLoopThread = true;
  std::thread poster([&] {
    for (int i = 0; i < 200; ++i)
      loop_.post([&, i] {
        allOnLoopThread = allOnLoopThread && std::this_thread::get_id() == loopThread;
        ran.push_back(i);
      });
  });
  poster.join();
  ASSERT_TRUE(runUntil([&] { return ran.size() == 200; }));
  EXPECT_TRUE(allOnLoopThread);
  for (int i = 0; i < 200; ++i)
    ASSERT_EQ(ran[i], i);
}

TEST_F(QtLoopTest, AWatchRunsOnTheLoopsThreadWhenItsDescriptorCanBeReadUntilCancelledFromInside) {
  int ends[2];
  ASSERT_EQ(pipe2(ends, O_NONBLOCK | O_CLOEXEC), 0);
  const auto loopThread = std::this_thread::get_id();
  std::string got;
  bool onLoopThread = true;
  TaskHandle watch;
  watch = loop_.watch(ends[0], [&] {
    onLoopThread = onLoopThread && std::this_thread::get_id() == loopThread;
    char bytes[8];
    for (ssize_t n; (n = read(ends[0], bytes, sizeof bytes)) > 0;)
      got.append(bytes, static_cast<std::size_t>(n));
    if (got.size() >= 2) watch->cancel();
  });
  std::thread([&] { ASSERT_EQ(write(ends[1], "a", 1), 1); }).join();
  ASSERT_TRUE(runUntil([&] { return got == "a"; }));
  ASSERT_EQ(write(ends[1], "b", 1), 1);
  ASSERT_TRUE(runUntil([&] { return got == "ab"; }));
  ASSERT_EQ(write(ends[1], "c", 1), 1);
  bool later = false;
  loop_.after(0.02, [&] { later = true; });
  ASSERT_TRUE(runUntil([&] { return later; }));
  EXPECT_EQ(got, "ab");
  EXPECT_TRUE(onLoopThread);
  watch->cancel();
  close(ends[0]);
  close(ends[1]);
}

TEST_F(QtLoopTest, AHandleOutlivesItsLoopAndATaskWhoseOwnerIsGoneDoesNothing) {
  auto owner = std::make_shared<int>(0);
  TaskHandle handle;
  {
    QtLoop shortLived;
    handle = shortLived.every(0.005, [weak = std::weak_ptr<int>(owner)] {
      if (const auto alive = weak.lock()) ++*alive;
    });
    ASSERT_TRUE(runUntil([&] { return *owner >= 1; }));
    owner.reset();
    bool later = false;
    shortLived.after(0.02, [&] { later = true; });
    ASSERT_TRUE(runUntil([&] { return later; }));
  }
  handle->cancel();
  handle->cancel();
}

}  // namespace
