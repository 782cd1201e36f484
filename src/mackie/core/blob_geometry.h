// The arithmetic of the command blob: its layout around a text, its stored place in top-left coordinates, its
// home place, and what a drag or a pull on the grip does. Frames use the screen's bottom-left origin, y up.
#pragma once

#include <optional>
#include <utility>

#include "platform/geometry.h"

namespace MKBlobGeometry {

inline constexpr double PAD_X = 22;
inline constexpr double PAD_Y = 10;

struct Layout {
  geometry::Rect frame;  // the window, its top edge kept where it was
  geometry::Rect label;  // the rest in the window's own coordinates
  geometry::Rect close;
  geometry::Rect grip;
};

// The window laid out around a label of that size (rounded up to whole points here).
Layout fit(geometry::Size label, const geometry::Rect& frame);

// A frame as the stored top-left place; `primaryHeight` is the primary screen's frame height (0 without one).
std::pair<double, double> toLua(const geometry::Rect& frame, double primaryHeight);
// A stored place and size as a frame; nothing without a screen.
std::optional<geometry::Rect> fromLua(double x, double y, geometry::Size size,
                                      std::optional<double> primaryHeight);

// Centred, its top 28 points below the top of the screen.
geometry::Point homeOrigin(const geometry::Rect& screen, geometry::Size size);

// Where a press lands, in the window's own coordinates.
bool onClose(geometry::Point p, geometry::Size window);
bool onGrip(geometry::Point p, geometry::Size window);

// The window's origin after the mouse travelled from `startMouse` to `mouse`.
geometry::Point dragged(const geometry::Rect& startFrame, geometry::Point startMouse, geometry::Point mouse);
// The text size after pulling the grip to `mouse`: 10 to 120 points.
double resized(const geometry::Rect& startFrame, geometry::Point mouse);

}  // namespace MKBlobGeometry
