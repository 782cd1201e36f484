// The redraw throttle (see the header).
#include "ui/kit/redraw_throttle.h"

namespace ui {

RedrawThrottle::RedrawThrottle(double gap, bool firstAtOnce, std::function<void()> draw)
    : gap_(gap), firstAtOnce_(firstAtOnce), draw_(std::move(draw)) {}

RedrawThrottle::~RedrawThrottle() {
  if (pending_) pending_->cancel();
}

void RedrawThrottle::changed(Loop& loop) {
  if (pending_) return;
  const double wait = firstAtOnce_ ? drawnAt_ + gap_ - loop.now() : gap_;
  if (wait <= 0) {
    drawNow(loop);
    return;
  }
  pending_ = loop.after(wait, [this, &loop] {
    pending_.reset();
    drawNow(loop);
  });
}

void RedrawThrottle::drawNow(Loop& loop) {
  drawnAt_ = loop.now();
  draw_();
}

}  // namespace ui
