// The Mackie Control wire encoding (see the header).
#include "mackie/core/wire.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "common/loose_value.h"
#include "mackie/core/catalogue.h"

namespace MKMCU {

std::optional<int> delta(std::string_view mode, std::optional<int> value) {
  if (!value || *value < 0 || *value > 127) return std::nullopt;
  const int v = *value;
  if (mode == "offset") {
    if (v == 64) return std::nullopt;
    return v - 64;
  }
  if (mode == "signmag") {
    if (v == 0 || v == 64) return std::nullopt;
    return v < 64 ? v : 64 - v;
  }
  if (v == 0) return std::nullopt;
  return v < 64 ? v : v - 128;
}

namespace {

// |clicks| clamped to at most `most`, computed without overflowing on the most negative int.
int clampedMagnitude(int clicks, int most) {
  return static_cast<int>(std::min<long long>(std::llabs(static_cast<long long>(clicks)), most));
}

}  // namespace

std::optional<int> signmag(int clicks) {
  if (clicks == 0) return std::nullopt;
  const int magnitude = clampedMagnitude(clicks, 63);
  return clicks > 0 ? magnitude : magnitude + 64;
}

std::optional<MKClickByte> jogByteForClicks(int clicks) {
  if (clicks == 0) return std::nullopt;
  const int used = clampedMagnitude(clicks, JOG_MAX_CLICKS);
  return MKClickByte{2 * used + (clicks < 0 ? 64 : 0), used};
}

std::optional<MKClickByte> tempoByteForClicks(int clicks) {
  if (clicks == 0) return std::nullopt;
  const int used = clampedMagnitude(clicks, TEMPO_MAX_CLICKS);
  return MKClickByte{used + (clicks < 0 ? 64 : 0), used};
}

MKBend fader(int value, int bits) {
  value = std::max(value, 0);
  if (bits == 14) {
    value = std::min(value, 16383);
    return {value & 127, value >> 7};
  }
  value = std::min(value, 127);
  const auto scaled = static_cast<int>(std::floor(value * 16383.0 / 127.0 + 0.5));
  return {scaled % 128, scaled / 128};
}

std::string modName(int note) {
  for (const auto& [n, name] : MODS)
    if (n == note) return std::string(name);
  return "note " + std::to_string(note);
}

namespace {

std::string number(std::optional<int> n) {
  return std::to_string(n.value_or(0));
}

}  // namespace

std::string wire(std::string_view id) {
  const auto* c = command(id);
  if (!c) return "";
  if (c->kind == "button") {
    if (!c->with) return "note " + number(c->note);
    std::string held;
    for (const int m : *c->with)
      held += (held.empty() ? "" : " and ") + modName(m);
    return "note " + number(c->note) + " with " + held + " held";
  }
  if (c->kind == "transport")
    return "note " + number(c->note) + " to play from the insert point, note " + number(c->stopNote) +
           " to stop, then CC " + number(c->cc) + " one beat each way to plant it";
  if (c->kind == "fader") return "pitch bend, channel " + std::to_string(c->channel.value_or(0) + 1);
  if (c->kind == "mac" || c->kind == "macvolume") return "nothing on the bus: the Mac's own volume";
  return "CC " + number(c->cc);
}

std::string shortName(std::string_view id) {
  const auto* c = command(id);
  if (!c) return "";
  std::string_view name = c->label;
  name = name.substr(0, name.find("—"));
  name = loose::trimmed(name.substr(0, name.find('(')));
  return name.empty() ? c->label : std::string(name);
}

}  // namespace MKMCU
