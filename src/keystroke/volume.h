// The computer's volume for the Key Stroke module, in whole percents: written silently, or reached with the
// sound keys so that the system shows its volume display.
#pragma once

#include <cstdint>
#include <optional>

#include "common/volume_keys.h"
#include "platform/audio_output.h"
#include "platform/key_output.h"

namespace KSVolume {

inline constexpr double STEP = volumeKeys::STEP;
inline constexpr double DEAD = volumeKeys::DEAD;
inline constexpr int BUDGET = volumeKeys::BUDGET;

std::optional<std::uint32_t> device(AudioOutput& audio);
std::optional<double> level(AudioOutput& audio);
bool muted(AudioOutput& audio);
int steps(double from, double to, int budget);
void key(KeyOutput& keys, SoundKey code, bool quarter);
// Presses towards the percent; answers the signed number of presses made.
int toward(AudioOutput& audio, KeyOutput& keys, int percent);
// Writes the percent, clamped to 0-100, silently; above 0 it also unmutes.
void set(AudioOutput& audio, int percent);

}  // namespace KSVolume
