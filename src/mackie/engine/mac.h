// The computer's own volume and mute for the MK module: written silently, or reached by pressing the sound
// keys in quarter steps so that the system shows its own volume display.
#pragma once

#include <cstdint>
#include <optional>

#include "common/volume_keys.h"
#include "platform/audio_output.h"
#include "platform/key_output.h"

namespace MKMac {

inline constexpr double STEP = volumeKeys::STEP;
inline constexpr double DEAD = volumeKeys::DEAD;
inline constexpr int BUDGET = volumeKeys::BUDGET;

std::optional<std::uint32_t> device(AudioOutput& audio);
// The volume in percent, 0-100; nothing on any failure.
std::optional<double> level(AudioOutput& audio);
bool muted(AudioOutput& audio);
// Signed number of quarter-step presses from one percent towards another, at most `budget`.
int steps(double from, double to, int budget);
void key(KeyOutput& keys, SoundKey code, bool quarter);
void up(KeyOutput& keys, bool quarter = true);
void down(KeyOutput& keys, bool quarter = true);
void mute(KeyOutput& keys);
// Presses towards the percent, at most BUDGET quarter steps; raising the volume also unmutes.
void toward(AudioOutput& audio, KeyOutput& keys, double percent);
// Writes the volume without a display; a volume above 0 also unmutes.
void set(AudioOutput& audio, double percent);

}  // namespace MKMac
