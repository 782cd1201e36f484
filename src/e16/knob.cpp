// Converting a knob record to the MK module's form (see the header).
#include "e16/knob.h"

#include "e16/palette.h"

namespace e16 {

MKKnob mkKnob(const E16Knob& k) {
  // A guess has no colour of its own; showing grey would claim one.
  return MKKnob{k.page,  k.knob, k.cc,     k.ch,
                k.turn,  k.abs,  k.push,   k.guessed ? std::string() : hex(k.index),
                k.index, k.name, k.guessed};
}

}  // namespace e16
