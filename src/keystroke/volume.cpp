// The Key Stroke module's volume (see the header).
#include "keystroke/volume.h"

#include <algorithm>

namespace KSVolume {

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
  return volumeKeys::steps(from, to, budget);
}

void key(KeyOutput& keys, SoundKey code, bool quarter) {
  keys.pressSoundKey(code, quarter);
}

int toward(AudioOutput& audio, KeyOutput& keys, int percent) {
  return volumeKeys::toward(audio, keys, percent);
}

void set(AudioOutput& audio, int percent) {
  if (!device(audio)) return;
  const int p = std::clamp(percent, 0, 100);
  audio.setVolume(p / 100.0);
  if (p > 0 && muted(audio)) audio.setMuted(false);
}

}  // namespace KSVolume
