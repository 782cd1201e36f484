// A function that a backend calls from a thread of its own, and that its owner may replace or end at any
// time.
#pragma once

#include <functional>
#include <mutex>
#include <utility>

template <class... Args>
class GuardedCall {
 public:
  // Takes `fn` in place of the function before, or ends the calls when empty. Returns only once no call of
  // the one it replaces is under way, so that whatever that one reaches may go as soon as this returns. Never
  // set it from within a call.
  void set(std::function<void(Args...)> fn) {
    const std::lock_guard lock(calling_);
    fn_ = std::move(fn);
  }

  // Calls the function, if there is one; from any thread.
  void operator()(Args... args) {
    const std::lock_guard lock(calling_);
    if (fn_) fn_(args...);
  }

 private:
  std::mutex calling_;
  std::function<void(Args...)> fn_;
};
