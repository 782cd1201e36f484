// A Loop on real time for tests that talk to real MIDI without Qt: timers, watches and posted work run on the
// thread that calls runUntil, between waits in poll that end at the next timer, a post or a readable watch.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <vector>

#include "platform/loop.h"

class ThreadLoop : public Loop {
 public:
  ThreadLoop();
  ~ThreadLoop() override;
  ThreadLoop(const ThreadLoop&) = delete;
  ThreadLoop& operator=(const ThreadLoop&) = delete;

  double now() const override;
  TaskHandle after(double seconds, std::function<void()> fn) override;
  TaskHandle every(double seconds, std::function<void()> fn) override;
  void post(std::function<void()> fn) override;
  TaskHandle watch(int descriptor, std::function<void()> fn) override;

  // Runs the loop until `done()` holds or `seconds` pass; answers whether it held. `done` is asked at least
  // every 10 ms, as it may wait for something outside the loop.
  bool runUntil(const std::function<bool()>& done, double seconds = 5) { return run(done, seconds); }
  // Runs the loop for `seconds`, waking only for its own work (the benchmarks wait this way).
  void runFor(double seconds) { run(nullptr, seconds); }

 private:
  using Time = std::chrono::steady_clock::time_point;
  struct Entry;
  TaskHandle schedule(double seconds, double period, std::function<void()> fn);
  bool run(const std::function<bool()>& done, double seconds);
  void runWatches(const std::vector<int>& ready);

  std::multimap<std::pair<Time, std::uint64_t>, std::shared_ptr<Entry>> timers_;
  std::vector<std::shared_ptr<Entry>> watches_;
  std::uint64_t seq_ = 0;
  int wake_;  // an eventfd that post() makes readable
  std::mutex mutex_;
  std::vector<std::function<void()>> posted_;
};
