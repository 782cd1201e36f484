// Universal MIDI Packet reader: walks the words packet by packet, keeping only what the engine acts on.
#include "mackie/core/packets.h"

#include "common/ump.h"

namespace MKMCU {

namespace {

constexpr int kSystem = 0x1;
constexpr int kChannelVoice = 0x2;
constexpr int kSysex7 = 0x3;

MKRaw threeBytes(std::uint32_t word, bool system) {
  return MKRaw{static_cast<int>((word >> 16) & 0xFFu), static_cast<int>((word >> 8) & 0x7Fu),
               static_cast<int>(word & 0x7Fu), system};
}

}  // namespace

std::vector<MKRaw> readPackets(std::span<const std::uint32_t> words) {
  std::vector<MKRaw> out;
  ump::forEachPacket(words, [&](int type, std::span<const std::uint32_t> packet) {
    if (type == kSystem) out.push_back(threeBytes(packet[0], true));
    if (type == kChannelVoice) out.push_back(threeBytes(packet[0], false));
    if (type == kSysex7) out.push_back(MKRaw{0xF0, 0, 0, true});
  });
  return out;
}

}  // namespace MKMCU
