// How the module speaks Mackie Control: the byte values of presses, releases, V-Pot turns, jog and tempo
// clicks and fader positions, the relative knob encodings it reads, and the short texts naming a command's
// wire form.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "mackie/core/choice.h"

namespace MKMCU {

inline constexpr int CHANNEL = 0;  // every note and CC towards Live goes on channel 1
inline constexpr int PRESS = 127;
inline constexpr int RELEASE = 0;  // a release is a note-on with velocity 0, never a note-off
inline constexpr int JOG_CC = 60;
inline constexpr int VPOT_CC = 16;
inline constexpr int STRIPS = 8;
inline constexpr int MASTER = 9;
inline constexpr int JOG_MAX_CLICKS = 31;
inline constexpr int TEMPO_MAX_CLICKS = 63;

// The Mackie modifier notes and their names.
inline constexpr std::array<std::pair<int, std::string_view>, 4> MODS = {{
    {70, "SHIFT"},
    {71, "OPTION"},
    {72, "CONTROL"},
    {73, "ALT"},
}};

// The relative knob encodings a controller may send.
inline constexpr std::array<MKChoice, 3> MODES = {{
    {"twos", "CC Rel 1  (two's complement)", "the E16's CC Rel 1: 1 right, 127 left"},
    {"offset", "CC Rel 2  (binary offset)", "the E16's CC Rel 2: 65 right, 63 left"},
    {"signmag", "Sign-magnitude  (Mackie's own)", "1 right, 65 left - already Mackie"},
}};

// A relative knob's value read under a MODES id: signed clicks, or nothing when it carries no movement.
std::optional<int> delta(std::string_view mode, std::optional<int> value);

// Signed clicks as a V-Pot byte: bit 6 set for left, the magnitude clamped to 63; nothing for 0.
std::optional<int> signmag(int clicks);

// A byte and how many of the clicks it accounts for; the caller keeps the rest for the next message.
struct MKClickByte {
  int byte = 0;
  int used = 0;
  bool operator==(const MKClickByte&) const = default;
};

// Jog clicks as a jog byte. Live's script moves half a beat per unit, so the byte carries twice the clicks.
std::optional<MKClickByte> jogByteForClicks(int clicks);

// Tempo clicks as a tempo byte: one unit a click.
std::optional<MKClickByte> tempoByteForClicks(int clicks);

// The two data bytes of a pitch bend.
struct MKBend {
  int lsb = 0;
  int msb = 0;
  bool operator==(const MKBend&) const = default;
};

// A knob position as a fader's pitch bend: 14-bit positions as they are, 7-bit ones scaled to the full range.
MKBend fader(int value, int bits);

// What a command puts on the bus, in one line; empty for an id that is not in the catalogue.
std::string wire(std::string_view id);

// The command's label without its explanation: cut before the em dash and the first parenthesis.
std::string shortName(std::string_view id);

// The name of a modifier note, or "note " and its number.
std::string modName(int note);

}  // namespace MKMCU
