// A clock that stands still until a test moves it.
#pragma once

#include "platform/clock.h"

class SettableClock : public Clock {
 public:
  explicit SettableClock(double start = 1'000'000.0) : time_(start) {}
  double now() const override { return time_; }
  void advance(double seconds) { time_ += seconds; }

 private:
  double time_;
};
