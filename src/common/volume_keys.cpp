// Reaching a volume with the sound keys (see the header).
#include "common/volume_keys.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace volumeKeys {

int steps(double from, double to, int budget) {
  const double d = to - from;
  // A target or reading that is no number must not turn into presses (nor into an undefined conversion).
  if (!std::isfinite(d) || budget < 1 || std::abs(d) < DEAD) return 0;
  const double n = std::clamp(std::floor(std::abs(d) / STEP + 0.5), 1.0, static_cast<double>(budget));
  return d > 0 ? static_cast<int>(n) : -static_cast<int>(n);
}

int toward(AudioOutput& audio, KeyOutput& keys, double percent) {
  const auto volume = audio.volume();
  if (!volume) return 0;
  const int n = steps(*volume * 100, percent, BUDGET);
  for (int i = 0; i < std::abs(n); ++i)
    keys.pressSoundKey(n > 0 ? SoundKey::up : SoundKey::down, true);
  // Read after the presses: where the system itself unmutes on volume up, a mute press would mute again.
  if (n > 0 && audio.muted().value_or(false)) keys.pressSoundKey(SoundKey::mute, false);
  return n;
}

}  // namespace volumeKeys
