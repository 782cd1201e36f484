// A Loop on real time for tests that talk to real MIDI without Qt: timers and posted work run on the thread
// that calls runUntil, between waits that sleep until the next timer or the next post.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <vector>

#include "platform/loop.h"

class ThreadLoop : public Loop {
 public:
  double now() const override;
  TaskHandle after(double seconds, std::function<void()> fn) override;
  TaskHandle every(double seconds, std::function<void()> fn) override;
  void post(std::function<void()> fn) override;

  // Runs the loop until `done()` holds or `seconds` pass; answers whether it held.
  bool runUntil(const std::function<bool()>& done, double seconds = 5);
  void runFor(double seconds) {
    runUntil([] { return false; }, seconds);
  }

 private:
  using Time = std::chrono::steady_clock::time_point;
  struct Entry;
  TaskHandle schedule(double seconds, double period, std::function<void()> fn);

  std::multimap<std::pair<Time, std::uint64_t>, std::shared_ptr<Entry>> timers_;
  std::uint64_t seq_ = 0;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::vector<std::function<void()>> posted_;
};
