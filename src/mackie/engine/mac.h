// The computer's own volume and mute for the MK module: written silently, or reached by pressing the sound
// keys in quarter steps so that the system shows its own volume display. The same as the Key Stroke
// module's, plus the single presses of the volume commands.
#pragma once

#include "common/system_volume.h"

namespace MKMac {

using systemVolume::BUDGET;
using systemVolume::DEAD;
using systemVolume::STEP;

using systemVolume::device;
using systemVolume::key;
using systemVolume::level;
using systemVolume::muted;
using systemVolume::set;
using systemVolume::steps;
using systemVolume::toward;

void up(KeyOutput& keys, bool quarter = true);
void down(KeyOutput& keys, bool quarter = true);
void mute(KeyOutput& keys);

}  // namespace MKMac
