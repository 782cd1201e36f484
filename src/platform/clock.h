// Wall-clock time, as every timing rule of the engines and readers sees it. Tests set it by hand.
#pragma once

#include <limits>

class Clock {
 public:
  virtual ~Clock() = default;
  // Seconds since the epoch.
  virtual double now() const = 0;
};

// The initial value of every time stamp that means "never": any elapsed-time test against it passes.
inline constexpr double DISTANT_PAST = -std::numeric_limits<double>::infinity();
