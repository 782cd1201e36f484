// The text form of palette colours (see the header).
#include "e16/palette.h"

#include <cstdio>

namespace e16 {

std::string hex(int index) {
  if (index < 0 || index >= static_cast<int>(PALETTE.size())) return "#999999";
  char text[8];
  std::snprintf(text, sizeof text, "#%06X", static_cast<unsigned>(PALETTE[static_cast<std::size_t>(index)]));
  return text;
}

}  // namespace e16
