// The virtual-time loop (see the header).
#include "support/virtual_loop.h"

#include <poll.h>

struct VirtualLoop::Entry : Task {
  Entry(std::function<void()> f, double at, double every, int fd)
      : fn(std::move(f)), due(at), period(every), descriptor(fd) {}
  std::function<void()> fn;
  double due;      // when it is due; it may fire later
  double period;   // 0 for a one-shot task
  int descriptor;  // a watch's, or -1
  bool cancelled = false;
  void cancel() override { cancelled = true; }
};

TaskHandle VirtualLoop::schedule(double at, double period, std::function<void()> fn) {
  auto entry = std::make_shared<Entry>(std::move(fn), at, period, -1);
  enqueue(entry);
  return entry;
}

void VirtualLoop::enqueue(const std::shared_ptr<Entry>& entry) {
  const double late = delays_.empty() ? 0 : delays_[nextDelay_++ % delays_.size()];
  queue_.emplace(std::make_pair(entry->due + late, seq_++), entry);
}

TaskHandle VirtualLoop::after(double seconds, std::function<void()> fn) {
  return schedule(now_ + std::max(seconds, 0.0), 0, std::move(fn));
}

TaskHandle VirtualLoop::every(double seconds, std::function<void()> fn) {
  return schedule(now_ + seconds, seconds, std::move(fn));
}

void VirtualLoop::post(std::function<void()> fn) {
  std::lock_guard lock(postedMutex_);
  posted_.push_back(std::move(fn));
}

TaskHandle VirtualLoop::watch(int descriptor, std::function<void()> fn) {
  watches_.push_back(std::make_shared<Entry>(std::move(fn), 0, 0, descriptor));
  return watches_.back();
}

void VirtualLoop::drainPosted() {
  for (;;) {
    std::vector<std::function<void()>> work;
    {
      std::lock_guard lock(postedMutex_);
      work.swap(posted_);
    }
    std::erase_if(watches_, [](const auto& entry) { return entry->cancelled; });
    const auto watched = watches_;  // a function may add or cancel watches
    for (const auto& entry : watched) {
      pollfd fd{entry->descriptor, POLLIN, 0};
      if (poll(&fd, 1, 0) > 0)
        work.push_back([entry] {
          if (!entry->cancelled) entry->fn();
        });
    }
    if (work.empty()) return;
    for (auto& fn : work)
      fn();
  }
}

void VirtualLoop::awaitWatched(double seconds) {
  std::erase_if(watches_, [](const auto& entry) { return entry->cancelled; });
  std::vector<pollfd> fds;
  for (const auto& entry : watches_)
    fds.push_back({entry->descriptor, POLLIN, 0});
  poll(fds.data(), fds.size(), static_cast<int>(seconds * 1000));
  runDue();
}

void VirtualLoop::advance(double seconds) {
  const double end = now_ + seconds;
  drainPosted();
  while (!queue_.empty() && queue_.begin()->first.first <= end + 1e-9) {
    auto node = queue_.extract(queue_.begin());
    auto entry = node.mapped();
    if (entry->cancelled) continue;
    now_ = std::max(now_, node.key().first);
    // A repeating task is put back before it runs, so that it may cancel itself.
    if (entry->period > 0) {
      entry->due += entry->period;
      enqueue(entry);
    }
    entry->fn();
    drainPosted();
  }
  now_ = std::max(now_, end);
}
