// Walking Universal MIDI Packets: how many words each message type takes, and the packets of a word sequence.
// Both engines read received MIDI this way.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace ump {

// Words of a packet of this message type (0-15); 0 for a value that is no message type.
constexpr int words(int messageType) {
  constexpr std::array<int, 16> sizes = {1, 1, 1, 2, 2, 4, 1, 1, 2, 2, 2, 3, 3, 4, 4, 4};
  return messageType < 0 || messageType > 15 ? 0 : sizes[static_cast<std::size_t>(messageType)];
}

// Calls `each(type, packet)` for every whole packet in order. A packet cut off by the end of the words ends
// the walk: nothing past the end is read, and what follows a broken packet cannot be trusted.
template <typename Each>
void forEachPacket(std::span<const std::uint32_t> all, Each&& each) {
  std::size_t at = 0;
  while (at < all.size()) {
    const int type = static_cast<int>(all[at] >> 28);
    const auto size = static_cast<std::size_t>(words(type));
    if (size > all.size() - at) return;
    each(type, all.subspan(at, size));
    at += size;
  }
}

}  // namespace ump
