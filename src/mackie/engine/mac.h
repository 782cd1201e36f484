// The computer's own volume and mute for the MK module: written silently, or reached by pressing the sound
// keys in quarter steps so that the system shows its own volume display. The same as the Key Stroke
// module's.
#pragma once

#include "common/system_volume.h"

namespace MKMac = systemVolume;
