// Reaching a volume with the system's sound keys, in quarter steps, so that the system shows its own volume
// display; both modules do it the same way. A quarter-step press moves the volume by STEP percent.
#pragma once

#include "platform/audio_output.h"
#include "platform/key_output.h"

namespace volumeKeys {

inline constexpr double STEP = 1.5;  // percent per quarter-step press
inline constexpr double DEAD = 1.1;  // differences below this are not chased
inline constexpr int BUDGET = 8;     // most presses per update, so a jump is reached over several updates

// Signed presses from one percent towards another: |to − from| / STEP rounded, at least 1, at most `budget`;
// 0 below DEAD and for what is not a number.
int steps(double from, double to, int budget);

// Presses towards `percent` from the current volume (nothing when it cannot be read); raising the volume also
// unmutes. Answers the signed number of presses made.
int toward(AudioOutput& audio, KeyOutput& keys, double percent);

}  // namespace volumeKeys
