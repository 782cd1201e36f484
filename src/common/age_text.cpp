// How long ago (see the header).
#include "common/age_text.h"

#include <cmath>
#include <cstdio>

std::string ageText(std::optional<double> time, double now) {
  if (!time || !std::isfinite(*time) || !std::isfinite(now)) return "";
  const double t = now - *time;
  // Two finite values can still differ by more than a double holds.
  if (!std::isfinite(t)) return "";
  if (t < 2) return "just now";
  if (t < 60) return std::to_string(static_cast<int>(t)) + " s ago";
  if (t < 3600) return std::to_string(static_cast<int>(t / 60)) + " min ago";
  // Printed from the double: an age in hours can exceed every integer type.
  char hours[400];
  std::snprintf(hours, sizeof hours, "%.0f", std::trunc(t / 3600));
  return std::string(hours) + " h ago";
}
