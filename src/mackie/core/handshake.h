// The Mackie Control handshake: a DAW asks which surface is at the other end of its port (the device query),
// and a surface answers with its serial number and a challenge. Some DAWs show nothing on the surface, no
// lamp, no display, no fader, until that answer came.
#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace MKMCU {

// Whether the words hold a Mackie Control's device query, F0 00 00 66 14 00 F7, as one 7-bit SysEx packet.
// The queries of other devices (a Logic Control, an extender) are not it: they want another answer.
bool holdsDeviceQuery(std::span<const std::uint32_t> words);

// A Mackie Control's answer: F0 00 00 66 14 01, a serial number of 7 bytes, 4 challenge bytes, F7.
inline constexpr std::array<std::uint8_t, 18> DEVICE_ANSWER = {
    0xF0, 0x00, 0x00, 0x66, 0x14, 0x01, 'O', 'V', 'V', '-', 'M', 'K', '1', 0x00, 0x00, 0x00, 0x00, 0xF7};

}  // namespace MKMCU
