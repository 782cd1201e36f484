// The MK module's single sound-key presses (see the header).
#include "mackie/engine/mac.h"

namespace MKMac {

void up(KeyOutput& keys, bool quarter) {
  key(keys, SoundKey::up, quarter);
}

void down(KeyOutput& keys, bool quarter) {
  key(keys, SoundKey::down, quarter);
}

void mute(KeyOutput& keys) {
  key(keys, SoundKey::mute, false);
}

}  // namespace MKMac
