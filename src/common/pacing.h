// Doing something at most once every so many seconds, by the loop's clock, which is the wall clock.
#pragma once

// How long until something last done at `last` may be done again, `every` seconds apart; 0 or less: now. A
// clock set back (now before `last`) makes it due at once, rather than after all the time it went back.
inline double secondsUntilDue(double last, double every, double now) {
  return now < last ? 0.0 : last + every - now;
}
