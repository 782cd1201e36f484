// Tests for the UMP packet reader: packet sizes, what each type yields, and malformed input.
#include "mackie/core/packets.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

using MKMCU::MKRaw;
using MKMCU::readPackets;

using Words = std::vector<std::uint32_t>;
using Raws = std::vector<MKRaw>;

// A packet of each type followed by a control change: a wrong size would swallow or garble the CC.
TEST(Packets, ReaderStepsOverEveryTypeByItsWordCount) {
  const int expected[16] = {1, 1, 1, 2, 2, 4, 1, 1, 2, 2, 2, 3, 3, 4, 4, 4};
  for (std::uint32_t type = 0; type < 16; ++type) {
    Words words(static_cast<std::size_t>(expected[type]), 0x20903C7Fu);
    words[0] = type << 28 | 0x00903C7Fu;
    words.push_back(0x20B00740u);
    const Raws raws = readPackets(words);
    ASSERT_FALSE(raws.empty()) << "type " << type;
    EXPECT_EQ(raws.back(), (MKRaw{0xB0, 0x07, 0x40, false})) << "type " << type;
    const std::size_t fromPacket = (type == 1 || type == 2 || type == 3) ? 1 : 0;
    EXPECT_EQ(raws.size(), fromPacket + 1) << "type " << type;
  }
}

TEST(Packets, EachPacketGivesItsMessagesAndATruncatedOneEndsTheReading) {
  const MKRaw sysex{0xF0, 0, 0, true};
  const struct {
    const char* name;
    Words words;
    Raws expected;
  } cases[] = {{"channel voice", {0x20923C64u}, {{0x92, 0x3C, 0x64, false}}},
               {"system", {0x10F20102u, 0x10F80000u}, {{0xF2, 0x01, 0x02, true}, {0xF8, 0, 0, true}}},
               {"sysex complete, start, continue, end",
                {0x30024142u, 0u, 0x30164142u, 0x43444546u, 0x30264142u, 0x43444546u, 0x30314100u, 0u},
                {sysex, sysex, sysex, sysex}},
               {"utility, MIDI 2.0, data, stream and reserved give nothing",
                {0x00000000u, 0x40903C00u, 0x12345678u, 0x50000000u, 0u, 0u, 0u, 0xF0000000u, 0u, 0u, 0u,
                 0x70000000u, 0x20803C00u},
                {{0x80, 0x3C, 0x00, false}}},
               {"sysex missing its second word", {0x20903C64u, 0x30024142u}, {{0x90, 0x3C, 0x64, false}}}};
  for (const auto& c : cases)
    EXPECT_EQ(readPackets(c.words), c.expected) << c.name;
}

TEST(Packets, ReadingStopsAtTheSpanEvenWhenTheBufferGoesOn) {
  // The words after the span's end would form a valid sysex; the reader must not look at them.
  const Words buffer = {0x30024142u, 0x00000000u};
  EXPECT_TRUE(readPackets(std::span(buffer).first(1)).empty());
}

}  // namespace
