// The main thread's run loop: its clock, one-shot and repeating timers, and work handed over from other
// threads. Everything that changes the engines' state runs here.
#pragma once

#include <functional>
#include <memory>

#include "platform/clock.h"

// A scheduled one-shot or repeating task; cancelling it more than once, or after it ran, does nothing.
class Task {
 public:
  virtual ~Task() = default;
  virtual void cancel() = 0;
};
using TaskHandle = std::shared_ptr<Task>;

class Loop : public Clock {
 public:
  // Runs `fn` once, `seconds` from now. Dropping the handle does not cancel the task.
  virtual TaskHandle after(double seconds, std::function<void()> fn) = 0;
  // Runs `fn` every `seconds` until cancelled; the first run is one period from now.
  virtual TaskHandle every(double seconds, std::function<void()> fn) = 0;
  // Runs `fn` soon on the loop's thread. The only member that may be called from any thread.
  virtual void post(std::function<void()> fn) = 0;
  // Runs `fn` on the loop's thread whenever `descriptor` has something to read, until cancelled; `fn` reads
  // it, or is called again. Lets another thread (or the system) wake the loop without a thread hop of ours.
  // Dropping the handle does not cancel it; the descriptor must stay open until it is cancelled.
  virtual TaskHandle watch(int descriptor, std::function<void()> fn) = 0;
};
