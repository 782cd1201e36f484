// Universal MIDI Packet reader: walks the words packet by packet, keeping only what the engine acts on.
#include "mackie/core/packets.h"

#include <array>
#include <cstddef>

namespace MKMCU {

namespace {

// Packet sizes in words, indexed by message type (the word's top four bits).
constexpr std::array<int, 16> kWords = {1, 1, 1, 2, 2, 4, 1, 1, 2, 2, 2, 3, 3, 4, 4, 4};

constexpr int kSystem = 0x1;
constexpr int kChannelVoice = 0x2;
constexpr int kSysex7 = 0x3;

MKRaw threeBytes(std::uint32_t word, bool system) {
  return MKRaw{static_cast<int>((word >> 16) & 0xFFu), static_cast<int>((word >> 8) & 0x7Fu),
               static_cast<int>(word & 0x7Fu), system};
}

}  // namespace

int umpWords(int messageType) {
  if (messageType < 0 || messageType >= static_cast<int>(kWords.size())) return 0;
  return kWords[static_cast<std::size_t>(messageType)];
}

std::vector<MKRaw> readPackets(std::span<const std::uint32_t> words) {
  std::vector<MKRaw> out;
  std::size_t at = 0;
  while (at < words.size()) {
    const std::uint32_t word = words[at];
    const int type = static_cast<int>(word >> 28);
    const auto size = static_cast<std::size_t>(umpWords(type));
    // A truncated packet would have us read past the end; whatever follows it cannot be trusted either.
    if (size > words.size() - at) break;
    switch (type) {
      case kSystem:
        out.push_back(threeBytes(word, true));
        break;
      case kChannelVoice:
        out.push_back(threeBytes(word, false));
        break;
      case kSysex7:
        out.push_back(MKRaw{0xF0, 0, 0, true});
        break;
      default:
        break;
    }
    at += size;
  }
  return out;
}

}  // namespace MKMCU
