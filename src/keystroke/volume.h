// The computer's volume for the Key Stroke module, in whole percents: written silently, or reached with the
// sound keys so that the system shows its volume display. The same as the MK module's.
#pragma once

#include "common/system_volume.h"

namespace KSVolume = systemVolume;
