// One E16 knob as a scene describes it, in the two forms the modules use: the Key Stroke module keeps the
// colour as a number, the MK module as the "#RRGGBB" text it shows.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace e16 {

struct E16Knob {
  int page = 0;       // 1-based; 0 in a guess
  int knob = 0;       // 1-based position in its page's encoder list
  int cc = 0;         // the CC number the turn sends; the knob number when the turn has none
  int ch = 0;         // 0-based channel of the turn
  int turn = 0;       // the turn action's kind: 0 off, 1-4 CC kinds
  bool abs = false;   // the turn sends absolute values (kind 3)
  bool push = false;  // the message matched the push switch rather than the turn
  std::optional<std::uint32_t> colour;  // 0xRRGGBB; absent when the colour number is outside the palette
  int index = 0;                        // the colour number as stored; -1 in a guess
  std::string name;                     // the scene's short name for the knob
  bool guessed = false;                 // not read from a scene but assumed from the factory layout

  bool operator==(const E16Knob&) const = default;
};

struct MKKnob {
  int page = 0;
  int knob = 0;
  int cc = 0;
  int ch = 0;
  int turn = 0;
  bool abs = false;
  bool push = false;
  std::string colour;  // "#RRGGBB"; "#999999" outside the palette; empty in a guess
  int index = 0;
  std::string name;
  bool guessed = false;

  bool operator==(const MKKnob&) const = default;
};

MKKnob mkKnob(const E16Knob& knob);

}  // namespace e16
