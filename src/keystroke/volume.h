// The computer's volume for the Key Stroke module, in whole percents: written silently, or reached with the
// sound keys so that the system shows its volume display. The same as the MK module's.
#pragma once

#include "common/system_volume.h"

namespace KSVolume {

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

}  // namespace KSVolume
