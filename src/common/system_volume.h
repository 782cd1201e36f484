// The computer's volume and mute, the same for both modules: read and written silently through the audio
// output, or reached with the system's sound keys in quarter steps so that the system shows its own volume
// display. A quarter-step press moves the volume by STEP percent.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/audio_output.h"
#include "platform/key_output.h"

namespace systemVolume {

inline constexpr double STEP = 1.5;  // percent per quarter-step press
inline constexpr double DEAD = 1.1;  // differences below this are not chased
inline constexpr int BUDGET = 8;     // most presses per update, so a jump is reached over several updates

std::optional<std::uint32_t> device(AudioOutput& audio);
// The volume in percent, 0-100; nothing on any failure.
std::optional<double> level(AudioOutput& audio);
// A mute that cannot be read counts as not muted.
bool muted(AudioOutput& audio);

// Signed presses from one percent towards another: |to − from| / STEP rounded, at least 1, at most `budget`;
// 0 below DEAD and for what is not a number.
int steps(double from, double to, int budget);
void key(KeyOutput& keys, SoundKey code, bool quarter);
void up(KeyOutput& keys, bool quarter = true);
void down(KeyOutput& keys, bool quarter = true);
void mute(KeyOutput& keys);
// Presses towards `percent` from the current volume (nothing when it cannot be read); raising the volume also
// unmutes. Answers the signed number of presses made.
int toward(AudioOutput& audio, KeyOutput& keys, double percent);

// Writes the percent, clamped to 0-100 (not a number: 0), without a display, when there is a device; above 0
// it also unmutes.
void set(AudioOutput& audio, double percent);

}  // namespace systemVolume
