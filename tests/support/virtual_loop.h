// A Loop whose time moves only when a test advances it, so that every timing rule is tested exactly.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <utility>
#include <vector>

#include "platform/loop.h"

class VirtualLoop : public Loop {
 public:
  explicit VirtualLoop(double start = 1'000'000.0) : now_(start) {}

  double now() const override { return now_; }
  TaskHandle after(double seconds, std::function<void()> fn) override;
  TaskHandle every(double seconds, std::function<void()> fn) override;
  void post(std::function<void()> fn) override;
  // Watched descriptors are looked at, without waiting, whenever posted work runs.
  TaskHandle watch(int descriptor, std::function<void()> fn) override;

  // Runs what is due, in time order, moving the clock to each task's time, and ends `seconds` later.
  void advance(double seconds);
  // Runs posted work and tasks due now, without moving the clock.
  void runDue() { advance(0); }
  // Waits in real time, at most `seconds`, until a watched descriptor has something to read, then runs what
  // is due without moving the clock. For what no test can hurry: a child process.
  void awaitWatched(double seconds);
  // From now on each timer and task fires late, as on a busy machine: by the next of `delays` in turn, after
  // the time it was due (a repeating timer stays due at its own pace).
  void fireLate(std::vector<double> delays) {
    delays_ = std::move(delays);
    nextDelay_ = 0;
  }

 private:
  struct Entry;
  TaskHandle schedule(double at, double period, std::function<void()> fn);
  void enqueue(const std::shared_ptr<Entry>& entry);
  void drainPosted();

  double now_;
  std::uint64_t seq_ = 0;
  std::multimap<std::pair<double, std::uint64_t>, std::shared_ptr<Entry>> queue_;
  std::mutex postedMutex_;
  std::vector<std::function<void()>> posted_;
  std::vector<std::shared_ptr<Entry>> watches_;
  std::vector<double> delays_;
  std::size_t nextDelay_ = 0;
};
