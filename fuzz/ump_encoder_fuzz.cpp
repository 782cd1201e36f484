// Fuzz target for the MIDI 1.0 to UMP encoder: the input is a raw MIDI byte stream, delivered in chunks
// of varying size. The words must be well-formed UMP, and how the stream was split must not matter.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "mackie/core/packets.h"
#include "platform/ump_encoder.h"

namespace {

void check(bool ok) {
  if (!ok) std::abort();
}

bool dataByte(std::uint32_t byte) {
  return (byte & 0x80u) == 0;
}

// Walks the words packet by packet; returns how many packets there are.
std::size_t checkWords(const std::vector<std::uint32_t>& words) {
  std::size_t packets = 0;
  bool inSysex = false;
  std::size_t at = 0;
  while (at < words.size()) {
    const std::uint32_t w = words[at];
    const std::uint32_t type = w >> 28;
    check(((w >> 24) & 0xFu) == 0);  // group 0
    const std::uint32_t b1 = (w >> 16) & 0xFFu;
    const std::uint32_t b2 = (w >> 8) & 0xFFu;
    const std::uint32_t b3 = w & 0xFFu;
    if (type == 1) {
      check(b1 >= 0xF1 && b1 != 0xF7);
      check(dataByte(b2) && dataByte(b3));
      // Only real time may fall inside a SysEx; anything else ends it first.
      check(!inSysex || b1 >= 0xF8);
      at += 1;
    } else if (type == 2) {
      check(b1 >= 0x80 && b1 <= 0xEF);
      check(dataByte(b2) && dataByte(b3));
      check(!inSysex);
      at += 1;
    } else {
      check(type == 3);
      check(at + 1 < words.size());
      const std::uint32_t form = b1 >> 4;
      const std::uint32_t count = b1 & 0xFu;
      check(form <= 3 && count <= 6);
      const std::uint32_t w1 = words[at + 1];
      const std::uint32_t bytes[6] = {b2, b3, w1 >> 24, (w1 >> 16) & 0xFFu, (w1 >> 8) & 0xFFu, w1 & 0xFFu};
      for (std::uint32_t i = 0; i < 6; ++i) {
        check(dataByte(bytes[i]));
        if (i >= count) check(bytes[i] == 0);
      }
      // complete and start only outside a SysEx, continue and end only inside one; all but the last
      // packet of a SysEx are full.
      check((form == 0 || form == 1) == !inSysex);
      if (form == 1 || form == 2) check(count == 6);
      inSysex = form == 1 || form == 2;
      at += 2;
    }
    ++packets;
  }
  return packets;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> stream(data, size);

  std::vector<std::uint32_t> whole;
  UmpEncoder{}.feed(stream, whole);

  // Chunk sizes 0-15 from a small generator seeded by the input, so every input replays the same way.
  std::uint32_t state = 2166136261u;
  for (const std::uint8_t b : stream)
    state = (state ^ b) * 16777619u;
  if (state == 0) state = 1;  // xorshift would stay at zero and never advance
  UmpEncoder chunked;
  std::vector<std::uint32_t> words;
  std::size_t at = 0;
  while (at < size) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    const std::size_t n = std::min<std::size_t>(state % 16, size - at);
    chunked.feed(stream.subspan(at, n), words);
    at += n;
  }
  check(words == whole);

  const std::size_t packets = checkWords(words);
  check(MKMCU::readPackets(words).size() == packets);
  return 0;
}
