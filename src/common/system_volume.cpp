// The computer's volume (see the header).
#include "common/system_volume.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace systemVolume {

std::optional<std::uint32_t> device(AudioOutput& audio) {
  return audio.defaultDevice();
}

std::optional<double> level(AudioOutput& audio) {
  const auto volume = audio.volume();
  return volume ? std::optional(*volume * 100) : std::nullopt;
}

bool muted(AudioOutput& audio) {
  return audio.muted().value_or(false);
}

int steps(double from, double to, int budget) {
  const double d = to - from;
  // A target or reading that is no number must not turn into presses (nor into an undefined conversion).
  if (!std::isfinite(d) || budget < 1 || std::abs(d) < DEAD) return 0;
  const double n = std::clamp(std::floor(std::abs(d) / STEP + 0.5), 1.0, static_cast<double>(budget));
  return d > 0 ? static_cast<int>(n) : -static_cast<int>(n);
}

void key(KeyOutput& keys, SoundKey code, bool quarter) {
  keys.pressSoundKey(code, quarter);
}

void up(KeyOutput& keys, bool quarter) {
  key(keys, SoundKey::up, quarter);
}

void down(KeyOutput& keys, bool quarter) {
  key(keys, SoundKey::down, quarter);
}

void mute(KeyOutput& keys) {
  key(keys, SoundKey::mute, false);
}

int toward(AudioOutput& audio, KeyOutput& keys, double percent) {
  const auto volume = level(audio);
  if (!volume) return 0;
  const int n = steps(*volume, percent, BUDGET);
  for (int i = 0; i < std::abs(n); ++i)
    key(keys, n > 0 ? SoundKey::up : SoundKey::down, true);
  // Read after the presses: where the system itself unmutes on volume up, a mute press would mute again.
  if (n > 0 && muted(audio)) mute(keys);
  return n;
}

void set(AudioOutput& audio, double percent) {
  if (!device(audio)) return;
  const double v = std::isnan(percent) ? 0.0 : std::clamp(percent / 100, 0.0, 1.0);
  audio.setVolume(v);
  if (percent > 0 && muted(audio)) audio.setMuted(false);
}

}  // namespace systemVolume
