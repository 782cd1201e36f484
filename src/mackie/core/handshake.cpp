// Recognising a DAW's device query (see the header).
#include "mackie/core/handshake.h"

#include "common/ump.h"

namespace MKMCU {

bool holdsDeviceQuery(std::span<const std::uint32_t> words) {
  // Between F0 and F7: Mackie's manufacturer id 00 00 66, the Mackie Control's device id 14, query 00. Five
  // bytes: one whole packet (form 0) on its own.
  constexpr std::uint32_t first = 0x30050000u;  // 7-bit SysEx of any group, whole, 5 bytes: 00 00 …
  constexpr std::uint32_t second = 0x66140000u;
  bool found = false;
  ump::forEachPacket(words, [&](int type, std::span<const std::uint32_t> packet) {
    found = found || (type == 3 && (packet[0] & 0xF0FFFFFFu) == first && (packet[1] & 0xFFFFFF00u) == second);
  });
  return found;
}

}  // namespace MKMCU
