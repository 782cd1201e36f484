// The MIDI 1.0 byte stream to UMP encoder: running status, real time interleaving, SysEx packets, split
// deliveries and a reset. Damaged streams are the fuzz target's.
#include "platform/ump_encoder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

using Bytes = std::vector<std::uint8_t>;
using Words = std::vector<std::uint32_t>;

TEST(UmpEncoder, EncodesEachStreamIntoItsWords) {
  const struct {
    const char* name;
    std::vector<Bytes> feeds;  // handed over one after another
    Words expected;
    bool resetAfterFirst = false;  // only what follows the reset is expected
  } cases[] = {
      // clang-format off
      {"program change has one data byte", {{0xC3, 0x05}}, {0x20C30500u}},
      {"running status, then a new status", {{0x90, 0x3C, 0x64, 0x3E, 0x00, 0xB0, 0x07, 0x10}}, {0x20903C64u, 0x20903E00u, 0x20B00710u}},
      {"system common is type 1 and ends running status", {{0x90, 0x3C, 0x64, 0xF2, 0x10, 0x20, 0x3E, 0x64}}, {0x20903C64u, 0x10F21020u}},
      {"real time between data bytes", {{0x90, 0x3C, 0xF8, 0x64, 0x3E, 0xFE, 0x00}}, {0x10F80000u, 0x20903C64u, 0x10FE0000u, 0x20903E00u}},
      {"real time at a sysex packet boundary", {{0xF0, 1, 2, 3, 4, 5, 6, 0xFE, 7, 0xF7}}, {0x10FE0000u, 0x30160102u, 0x03040506u, 0x30310700u, 0u}},
      {"empty sysex", {{0xF0, 0xF7}}, {0x30000000u, 0u}},
      {"exactly six", {{0xF0, 1, 2, 3, 4, 5, 6, 0xF7}}, {0x30060102u, 0x03040506u}},
      {"thirteen", {{0xF0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 0xF7}}, {0x30160102u, 0x03040506u, 0x30260708u, 0x090A0B0Cu, 0x30310D00u, 0u}},
      {"a status ends a sysex", {{0xF0, 1, 2, 0x90, 0x3C, 0x64}}, {0x30020102u, 0u, 0x20903C64u}},
      {"stray data and an unfinished message", {{0x01, 0x90, 0x3C, 0x80, 0x3C, 0x00, 0xF7, 0x3E}}, {0x20803C00u}},
      {"split running status", {{0x90}, {}, {0x3C, 0x64}, {0x3E}, {0x00}}, {0x20903C64u, 0x20903E00u}},
      {"split sysex", {{0xF0, 1, 2, 3, 4, 5, 6}, {7}, {0xF7}}, {0x30160102u, 0x03040506u, 0x30310700u, 0u}},
      {"reset half message", {{0x90, 0x3C}, {0x64, 0x00}}, {}, true},
      {"reset sysex", {{0xF0, 1, 2, 3, 4, 5, 6, 7}, {8, 0xF7, 0xC0, 0x01}}, {0x20C00100u}, true},
      // clang-format on
  };
  for (const auto& c : cases) {
    UmpEncoder encoder;
    Words out;
    for (std::size_t i = 0; i < c.feeds.size(); ++i) {
      encoder.feed(c.feeds[i], out);
      if (i == 0 && c.resetAfterFirst) {
        out.clear();
        encoder.reset();
      }
    }
    EXPECT_EQ(out, c.expected) << c.name;
  }
}
