// Keeps a view from redrawing at every change of what it shows: changes that come within `gap` seconds of a
// redraw are gathered into one, drawn when the gap has passed. With `firstAtOnce`, the first change after a
// quiet spell is drawn straight away; without it, every change waits the gap (and brings the others of that
// time with it).
#pragma once

#include <functional>

#include "platform/loop.h"

namespace ui {

class RedrawThrottle {
 public:
  RedrawThrottle(double gap, bool firstAtOnce, std::function<void()> draw);
  ~RedrawThrottle();
  RedrawThrottle(const RedrawThrottle&) = delete;
  RedrawThrottle& operator=(const RedrawThrottle&) = delete;

  // Something shown changed: draws now or later, on `loop`.
  void changed(Loop& loop);
  // Draws now, whatever the gap, and counts the gap from here.
  void drawNow(Loop& loop);

 private:
  double gap_;
  bool firstAtOnce_;
  std::function<void()> draw_;
  double drawnAt_ = DISTANT_PAST;
  TaskHandle pending_;
};

}  // namespace ui
