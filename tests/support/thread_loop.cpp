// The real-time test loop (see the header).
#include "support/thread_loop.h"

struct ThreadLoop::Entry : Task {
  std::function<void()> fn;
  std::chrono::nanoseconds period{0};
  bool cancelled = false;
  void cancel() override { cancelled = true; }
};

double ThreadLoop::now() const {
  return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
}

TaskHandle ThreadLoop::schedule(double seconds, double period, std::function<void()> fn) {
  auto entry = std::make_shared<Entry>();
  entry->fn = std::move(fn);
  entry->period = std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::duration<double>(period));
  const auto at =
      std::chrono::steady_clock::now() + std::chrono::duration_cast<std::chrono::nanoseconds>(
                                             std::chrono::duration<double>(std::max(seconds, 0.0)));
  timers_.emplace(std::make_pair(at, seq_++), entry);
  return entry;
}

TaskHandle ThreadLoop::after(double seconds, std::function<void()> fn) {
  return schedule(seconds, 0, std::move(fn));
}

TaskHandle ThreadLoop::every(double seconds, std::function<void()> fn) {
  return schedule(seconds, seconds, std::move(fn));
}

void ThreadLoop::post(std::function<void()> fn) {
  {
    std::lock_guard lock(mutex_);
    posted_.push_back(std::move(fn));
  }
  wake_.notify_one();
}

bool ThreadLoop::runUntil(const std::function<bool()>& done, double seconds) {
  const auto deadline =
      std::chrono::steady_clock::now() +
      std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::duration<double>(seconds));
  while (!done()) {
    std::vector<std::function<void()>> work;
    {
      std::unique_lock lock(mutex_);
      auto until = deadline;
      if (!timers_.empty()) until = std::min(until, timers_.begin()->first.first);
      wake_.wait_until(lock, until, [&] { return !posted_.empty(); });
      work.swap(posted_);
    }
    for (auto& fn : work)
      fn();
    const auto now = std::chrono::steady_clock::now();
    while (!timers_.empty() && timers_.begin()->first.first <= now) {
      auto node = timers_.extract(timers_.begin());
      auto entry = node.mapped();
      if (entry->cancelled) continue;
      if (entry->period.count() > 0)
        timers_.emplace(std::make_pair(node.key().first + entry->period, seq_++), entry);
      entry->fn();
    }
    if (std::chrono::steady_clock::now() >= deadline) return done();
  }
  return true;
}
