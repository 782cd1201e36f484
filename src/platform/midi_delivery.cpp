// Delivering one source's bytes (see the header).
#include "platform/midi_delivery.h"

void MidiDelivery::deliver(std::span<const std::uint8_t> bytes, std::vector<std::uint32_t>& words) {
  words.clear();
  encoder.feed(bytes, words);
  if (words.empty() || !receive || !*receive) return;
  try {
    (*receive)(token, words);
  } catch (...) {
  }
}

void MidiDelivery::lose(std::uint64_t count) {
  encoder.reset();
  if (!lost || !*lost) return;
  try {
    (*lost)(count);
  } catch (...) {
  }
}
