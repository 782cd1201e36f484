// The computer's volume and mute for the MK module (see the header): read and written through the audio
// output, or changed with the sound keys so that the system shows the change.
#include "mackie/engine/mac.h"

#include <algorithm>
#include <cmath>

#include "common/volume_keys.h"

namespace MKMac {

std::optional<std::uint32_t> device(AudioOutput& audio) {
  return audio.defaultDevice();
}

std::optional<double> level(AudioOutput& audio) {
  const auto volume = audio.volume();
  if (!volume) return std::nullopt;
  return *volume * 100;
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

void up(KeyOutput& keys, bool quarter) {
  key(keys, SoundKey::up, quarter);
}

void down(KeyOutput& keys, bool quarter) {
  key(keys, SoundKey::down, quarter);
}

void mute(KeyOutput& keys) {
  key(keys, SoundKey::mute, false);
}

void toward(AudioOutput& audio, KeyOutput& keys, double percent) {
  volumeKeys::toward(audio, keys, percent);
}

void set(AudioOutput& audio, double percent) {
  if (!device(audio)) return;
  const double v = std::isnan(percent) ? 0.0 : std::clamp(percent / 100, 0.0, 1.0);
  audio.setVolume(v);
  if (percent > 0 && muted(audio)) audio.setMuted(false);
}

}  // namespace MKMac
