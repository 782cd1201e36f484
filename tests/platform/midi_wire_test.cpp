// What every backend sends: a word as MIDI 1.0 bytes, or nothing when no valid message would go out, and
// names cut without splitting a character.
#include "platform/midi_wire.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<int> bytes(std::uint32_t word) {
  const auto b = midiWire::wordBytes(word);
  return std::vector<int>(b.data.begin(), b.data.begin() + static_cast<long>(b.size));
}

TEST(MidiWire, ChannelAndSystemWordsBecomeTheirBytesAndAnythingElseIsRefused) {
  EXPECT_EQ(bytes(0x20803C40), (std::vector<int>{0x80, 0x3C, 0x40}));  // the lowest channel status
  EXPECT_EQ(bytes(0x20C50700), (std::vector<int>{0xC5, 0x07}));
  EXPECT_EQ(bytes(0x10F80000), (std::vector<int>{0xF8}));
  // MIDI 2.0, SysEx packets, a type-2 word without a channel status, a system status in a type-2 word, a
  // data byte with its top bit set, statuses that open or close a SysEx, and the undefined F4.
  for (const std::uint32_t refused :
       {0x40903C40u, 0x30010203u, 0x20403C40u, 0x20703C40u, 0x20F80000u, 0x20903C80u, 0x20908040u,
        0x10F00000u, 0x10F70000u, 0x10F40000u, 0x10F1FF00u})
    EXPECT_TRUE(bytes(refused).empty()) << std::hex << refused;
  EXPECT_EQ(midiWire::truncateUtf8("a·b", 2), "a");  // "·" is two bytes: it goes whole
  EXPECT_EQ(midiWire::truncateUtf8("abc", 5), "abc");
}

}  // namespace
