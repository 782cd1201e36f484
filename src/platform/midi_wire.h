// What the MIDI backends share on the way out: a Universal MIDI Packet word as MIDI 1.0 bytes, and names cut
// to what the MIDI layer takes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace midiWire {

// The bytes of one MIDI 1.0 message.
struct Bytes {
  std::array<std::uint8_t, 3> data{};
  std::size_t size = 0;  // 0: the word cannot be sent as MIDI 1.0 bytes
};

// A channel voice word (type 2) or a system common / real time word (type 1) as bytes. Anything else, or a
// data byte with its top bit set, gives size 0: sending it would put a stray status byte on the wire.
Bytes wordBytes(std::uint32_t word);

// Whether `message` is one whole system exclusive message that a MIDI layer can carry in one piece: F0, data
// bytes below 0x80, F7, at most 255 bytes in all.
bool wholeSysex(std::span<const std::uint8_t> message);

// `text` cut to at most `limit` bytes without splitting a UTF-8 character (the MIDI layers cut names
// blindly).
std::string truncateUtf8(std::string text, std::size_t limit);

}  // namespace midiWire
