// The application's own loop, on real time, for tests and benches that talk to real MIDI or child processes
// without a window: the caller's thread runs it while it waits.
#pragma once

#include <functional>

#include "platform/qt/qt_loop.h"

// Made first: the loop's timers need the process's Qt application.
struct QtApplicationOnce {
  QtApplicationOnce();
};

class ThreadLoop : private QtApplicationOnce, public QtLoop {
 public:
  // Runs the loop until `done()` holds or `seconds` pass; answers whether it held. `done` is asked at least
  // every 10 ms, as it may wait for something outside the loop.
  bool runUntil(const std::function<bool()>& done, double seconds = 5);
  // Runs the loop for `seconds`, waking only for its own work (the benchmarks wait this way).
  void runFor(double seconds);
};
