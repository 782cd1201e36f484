// The real-time test loop (see the header).
#include "support/thread_loop.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>

namespace {
std::chrono::nanoseconds span(double seconds) {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::duration<double>(seconds));
}
}  // namespace

struct ThreadLoop::Entry : Task {
  std::function<void()> fn;
  std::chrono::nanoseconds period{0};
  int descriptor = -1;  // a watch's
  bool cancelled = false;
  void cancel() override { cancelled = true; }
};

ThreadLoop::ThreadLoop() : wake_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

ThreadLoop::~ThreadLoop() {
  close(wake_);
}

double ThreadLoop::now() const {
  return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
}

TaskHandle ThreadLoop::schedule(double seconds, double period, std::function<void()> fn) {
  auto entry = std::make_shared<Entry>();
  entry->fn = std::move(fn);
  entry->period = span(period);
  timers_.emplace(std::make_pair(std::chrono::steady_clock::now() + span(std::max(seconds, 0.0)), seq_++),
                  entry);
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
  const std::uint64_t one = 1;
  [[maybe_unused]] const auto written = write(wake_, &one, sizeof one);
}

TaskHandle ThreadLoop::watch(int descriptor, std::function<void()> fn) {
  auto entry = std::make_shared<Entry>();
  entry->fn = std::move(fn);
  entry->descriptor = descriptor;
  watches_.push_back(entry);
  return entry;
}

void ThreadLoop::runWatches(const std::vector<int>& ready) {
  // Copied: a function may add or cancel watches.
  const auto all = watches_;
  for (const auto& entry : all)
    if (!entry->cancelled && std::find(ready.begin(), ready.end(), entry->descriptor) != ready.end())
      entry->fn();
  std::erase_if(watches_, [](const auto& entry) { return entry->cancelled; });
}

bool ThreadLoop::run(const std::function<bool()>& done, double seconds) {
  const auto deadline = std::chrono::steady_clock::now() + span(seconds);
  const auto held = [&] { return done && done(); };
  while (!held()) {
    auto until = deadline;
    if (!timers_.empty()) until = std::min(until, timers_.begin()->first.first);
    auto wait = std::chrono::ceil<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
    if (done) wait = std::min(wait, std::chrono::milliseconds(10));
    std::vector<pollfd> fds{{wake_, POLLIN, 0}};
    for (const auto& entry : watches_)
      if (!entry->cancelled) fds.push_back({entry->descriptor, POLLIN, 0});
    poll(fds.data(), fds.size(), static_cast<int>(std::max<std::int64_t>(0, wait.count())));

    std::uint64_t count = 0;
    [[maybe_unused]] const auto got = read(wake_, &count, sizeof count);
    std::vector<std::function<void()>> work;
    {
      std::lock_guard lock(mutex_);
      work.swap(posted_);
    }
    for (auto& fn : work)
      fn();
    std::vector<int> ready;
    for (std::size_t i = 1; i < fds.size(); ++i)
      if (fds[i].revents != 0) ready.push_back(fds[i].fd);
    runWatches(ready);
    const auto now = std::chrono::steady_clock::now();
    while (!timers_.empty() && timers_.begin()->first.first <= now) {
      auto node = timers_.extract(timers_.begin());
      auto entry = node.mapped();
      if (entry->cancelled) continue;
      if (entry->period.count() > 0)
        timers_.emplace(std::make_pair(node.key().first + entry->period, seq_++), entry);
      entry->fn();
    }
    if (std::chrono::steady_clock::now() >= deadline) return held();
  }
  return true;
}
