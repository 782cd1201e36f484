// MIDI bytes and names for the backends (see the header).
#include "platform/midi_wire.h"

#include <algorithm>

namespace midiWire {

Bytes wordBytes(std::uint32_t word) {
  Bytes out;
  const auto status = static_cast<std::uint8_t>(word >> 16);
  const auto d1 = static_cast<std::uint8_t>(word >> 8);
  const auto d2 = static_cast<std::uint8_t>(word);
  std::size_t size = 0;
  switch (word >> 28) {
    case 2:
      if (status < 0x80 || status > 0xEF) return out;
      size = (status & 0xF0) == 0xC0 || (status & 0xF0) == 0xD0 ? 2 : 3;
      break;
    case 1:
      switch (status) {
        case 0xF1:
        case 0xF3:
          size = 2;
          break;
        case 0xF2:
          size = 3;
          break;
        case 0xF6:
        case 0xF8:
        case 0xFA:
        case 0xFB:
        case 0xFC:
        case 0xFE:
        case 0xFF:
          size = 1;
          break;
        default:
          return out;  // undefined, or SysEx framing, which never travels in a type 1 word
      }
      break;
    default:
      return out;
  }
  if ((size > 1 && d1 >= 0x80) || (size > 2 && d2 >= 0x80)) return out;
  out.data = {status, d1, d2};
  out.size = size;
  return out;
}

bool wholeSysex(std::span<const std::uint8_t> message) {
  if (message.size() < 2 || message.size() > 255 || message.front() != 0xF0 || message.back() != 0xF7)
    return false;
  return std::all_of(message.begin() + 1, message.end() - 1, [](std::uint8_t b) { return b < 0x80; });
}

std::string truncateUtf8(std::string text, std::size_t limit) {
  if (text.size() <= limit) return text;
  std::size_t cut = limit;
  // Step back over continuation bytes so that the cut lands before a character's first byte.
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
    --cut;
  text.resize(cut);
  return text;
}

}  // namespace midiWire
