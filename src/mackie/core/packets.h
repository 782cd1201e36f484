// Reading Universal MIDI Packets into the engine's three-byte messages. Every backend hands over UMP
// words, so this is the single place where received MIDI becomes MKRaw.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "mackie/core/raw.h"

namespace MKMCU {

// The messages carried by the words, in order. System common and real time packets become system
// messages, MIDI 1.0 channel voice packets channel messages, and every 7-bit SysEx packet one bare 0xF0
// system message (the engine never looks inside SysEx). Other packet types are stepped over. A packet cut
// off by the end of the words gives nothing and ends the reading.
std::vector<MKRaw> readPackets(std::span<const std::uint32_t> words);

}  // namespace MKMCU
