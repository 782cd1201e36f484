// A selectable option shown to the user: an id that is stored, a label that is shown, and a help text.
#pragma once

#include <string_view>

namespace MKMCU {

struct MKChoice {
  std::string_view id;
  std::string_view label;
  std::string_view says;
};

}  // namespace MKMCU
