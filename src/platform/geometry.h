// Points, sizes and rectangles for windows and screens.
#pragma once

namespace geometry {

struct Point {
  double x = 0;
  double y = 0;
  bool operator==(const Point&) const = default;
};

struct Size {
  double width = 0;
  double height = 0;
  bool operator==(const Size&) const = default;
};

struct Rect {
  double x = 0;
  double y = 0;
  double width = 0;
  double height = 0;

  double minX() const { return x; }
  double maxX() const { return x + width; }
  double midX() const { return x + width / 2; }
  double minY() const { return y; }
  double maxY() const { return y + height; }
  double midY() const { return y + height / 2; }
  // Half-open on the far edges, so that two adjacent screens never both contain a point.
  bool contains(Point p) const { return p.x >= x && p.x < maxX() && p.y >= y && p.y < maxY(); }
  bool operator==(const Rect&) const = default;
};

}  // namespace geometry
