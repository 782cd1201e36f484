// The blob's arithmetic (see the header). Every input may come from a window system or a stored file, so
// anything non-finite is replaced before it can spread into a frame.
#include "mackie/core/blob_geometry.h"

#include <algorithm>
#include <cmath>

namespace MKBlobGeometry {

namespace {

constexpr double MIN_WIDTH = 220;
constexpr double MIN_HEIGHT = 40;
constexpr double HOME_DROP = 28;
constexpr double MIN_SIZE = 10;
constexpr double MAX_SIZE = 120;
constexpr double MIN_PULL = 28;  // the shortest height the grip may pull the blob to
constexpr double LINE_RATIO = 1.35;

double finiteOr(double v, double fallback) {
  return std::isfinite(v) ? v : fallback;
}

// A measured length: never negative, and nothing when the measure is meaningless.
double length(double v) {
  return std::isfinite(v) && v > 0 ? v : 0;
}

}  // namespace

Layout fit(geometry::Size label, const geometry::Rect& frame) {
  const double lw = std::ceil(length(label.width));
  const double lh = std::ceil(length(label.height));
  const double w = std::max(lw + 2 * PAD_X, MIN_WIDTH);
  const double h = std::max(lh + 2 * PAD_Y, MIN_HEIGHT);

  Layout out;
  out.frame = frame;
  if (frame.width != w || frame.height != h) {
    const double x = finiteOr(frame.x, 0);
    // The top edge stays where it was; a window without a usable size keeps its bottom edge instead.
    const double top = finiteOr(frame.y, 0) + length(frame.height);
    out.frame = {x, top - h, w, h};
  }
  out.label = {PAD_X / 2, (h - lh) / 2, w - PAD_X, lh};
  out.close = {w - 22, h - 22, 18, 18};
  out.grip = {w - 18, 3, 14, 16};
  return out;
}

std::pair<double, double> toLua(const geometry::Rect& frame, double primaryHeight) {
  const double top = finiteOr(frame.y, 0) + finiteOr(frame.height, 0);
  return {finiteOr(frame.x, 0), finiteOr(primaryHeight, 0) - top};
}

std::optional<geometry::Rect> fromLua(double x, double y, geometry::Size size,
                                      std::optional<double> primaryHeight) {
  // A damaged stored place is as good as none: the caller then sends the blob home.
  if (!primaryHeight || !std::isfinite(*primaryHeight) || !std::isfinite(x) || !std::isfinite(y))
    return std::nullopt;
  const double w = length(size.width);
  const double h = length(size.height);
  return geometry::Rect{x, *primaryHeight - y - h, w, h};
}

geometry::Point homeOrigin(const geometry::Rect& screen, geometry::Size size) {
  const geometry::Rect s{finiteOr(screen.x, 0), finiteOr(screen.y, 0), finiteOr(screen.width, 0),
                         finiteOr(screen.height, 0)};
  return {s.midX() - length(size.width) / 2, s.maxY() - HOME_DROP - length(size.height)};
}

bool onClose(geometry::Point p, geometry::Size window) {
  return p.x > window.width - 26 && p.y > window.height - 24;
}

bool onGrip(geometry::Point p, geometry::Size window) {
  return p.x > window.width - 22 && p.y < 22;
}

geometry::Point dragged(const geometry::Rect& startFrame, geometry::Point startMouse, geometry::Point mouse) {
  // An axis whose travel cannot be known does not move.
  return {finiteOr(startFrame.x, 0) + finiteOr(mouse.x - startMouse.x, 0),
          finiteOr(startFrame.y, 0) + finiteOr(mouse.y - startMouse.y, 0)};
}

double resized(const geometry::Rect& startFrame, geometry::Point mouse) {
  // Infinite pulls run to the matching end of the range; an unknown one counts as pulled to the top.
  const double pulled = startFrame.maxY() - mouse.y;
  const double h = std::isnan(pulled) ? MIN_PULL : std::max(pulled, MIN_PULL);
  const double size = std::isinf(h) ? MAX_SIZE : std::floor((h - 2 * PAD_Y) / LINE_RATIO);
  return std::clamp(size, MIN_SIZE, MAX_SIZE);
}

}  // namespace MKBlobGeometry
