// The MIDI 1.0 byte stream to UMP encoder: running status, real time interleaving, SysEx chunking, split
// deliveries, bad bytes and a reset; plus a round trip through the packet reader.
#include "platform/ump_encoder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "mackie/core/packets.h"

namespace {

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
      {"note off", {{0x80, 0x3C, 0x40}}, {0x20803C40u}},
      {"note on", {{0x95, 0x3C, 0x64}}, {0x20953C64u}},
      {"poly pressure", {{0xA0, 0x3C, 0x11}}, {0x20A03C11u}},
      {"control change", {{0xBF, 0x07, 0x7F}}, {0x20BF077Fu}},
      {"program change has one data byte", {{0xC3, 0x05}}, {0x20C30500u}},
      {"channel pressure has one data byte", {{0xD0, 0x42}}, {0x20D04200u}},
      {"pitch bend", {{0xE0, 0x00, 0x40}}, {0x20E00040u}},
      // Running status repeats the last channel status.
      {"two byte messages", {{0x90, 0x3C, 0x64, 0x3E, 0x00}}, {0x20903C64u, 0x20903E00u}},
      {"one byte messages", {{0xC0, 0x01, 0x02, 0x03}}, {0x20C00100u, 0x20C00200u, 0x20C00300u}},
      {"a new status replaces it", {{0x90, 0x3C, 0x64, 0xB0, 0x07, 0x10, 0x08, 0x20}}, {0x20903C64u, 0x20B00710u, 0x20B00820u}},
      // System common messages become type 1 words and cancel running status.
      {"quarter frame", {{0xF1, 0x25}}, {0x10F12500u}},
      {"song position", {{0xF2, 0x10, 0x20}}, {0x10F21020u}},
      {"song select", {{0xF3, 0x07}}, {0x10F30700u}},
      {"tune request", {{0xF6}}, {0x10F60000u}},
      {"undefined F5 comes without data", {{0xF5, 0x12, 0x34}}, {0x10F50000u}},
      {"after tune request", {{0x90, 0x3C, 0x64, 0xF6, 0x3E, 0x64}}, {0x20903C64u, 0x10F60000u}},
      {"after song select", {{0x90, 0x3C, 0x64, 0xF3, 0x01, 0x3E, 0x64}}, {0x20903C64u, 0x10F30100u}},
      {"after undefined F4", {{0xB0, 0x07, 0x10, 0xF4, 0x08, 0x20}}, {0x20B00710u, 0x10F40000u}},
      {"after a sysex", {{0x90, 0x3C, 0x64, 0xF0, 0x7E, 0xF7, 0x3E, 0x64}}, {0x20903C64u, 0x30017E00u, 0u}},
      // Real time bytes come out at once and leave what they interrupt whole.
      {"clock", {{0xF8}}, {0x10F80000u}},
      {"undefined F9", {{0xF9}}, {0x10F90000u}},
      {"undefined FD", {{0xFD}}, {0x10FD0000u}},
      {"reset", {{0xFF}}, {0x10FF0000u}},
      {"after the status", {{0x90, 0xF8, 0x3C, 0x64}}, {0x10F80000u, 0x20903C64u}},
      {"between the data bytes", {{0x90, 0x3C, 0xFE, 0x64}}, {0x10FE0000u, 0x20903C64u}},
      {"running status survives", {{0x90, 0x3C, 0x64, 0xF8, 0x3E, 0xFA, 0x00}}, {0x20903C64u, 0x10F80000u, 0x10FA0000u, 0x20903E00u}},
      {"inside system common", {{0xF2, 0x10, 0xF8, 0x20}}, {0x10F80000u, 0x10F21020u}},
      {"within a sysex packet", {{0xF0, 1, 2, 0xF8, 3, 0xF7}}, {0x10F80000u, 0x30030102u, 0x03000000u}},
      {"at a sysex packet boundary", {{0xF0, 1, 2, 3, 4, 5, 6, 0xFE, 7, 0xF7}}, {0x10FE0000u, 0x30160102u, 0x03040506u, 0x30310700u, 0u}},
      // SysEx goes in packets of six bytes.
      {"empty sysex", {{0xF0, 0xF7}}, {0x30000000u, 0u}},
      {"one byte", {{0xF0, 0x7E, 0xF7}}, {0x30017E00u, 0u}},
      {"exactly six", {{0xF0, 1, 2, 3, 4, 5, 6, 0xF7}}, {0x30060102u, 0x03040506u}},
      {"seven", {{0xF0, 1, 2, 3, 4, 5, 6, 7, 0xF7}}, {0x30160102u, 0x03040506u, 0x30310700u, 0u}},
      {"twelve", {{0xF0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 0xF7}}, {0x30160102u, 0x03040506u, 0x30360708u, 0x090A0B0Cu}},
      {"thirteen", {{0xF0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 0xF7}}, {0x30160102u, 0x03040506u, 0x30260708u, 0x090A0B0Cu, 0x30310D00u, 0u}},
      // A status byte inside a SysEx ends it.
      {"note on ends a short sysex", {{0xF0, 1, 2, 0x90, 0x3C, 0x64}}, {0x30020102u, 0u, 0x20903C64u}},
      {"note on ends a long sysex", {{0xF0, 1, 2, 3, 4, 5, 6, 7, 0x90, 0x3C, 0x64}}, {0x30160102u, 0x03040506u, 0x30310700u, 0u, 0x20903C64u}},
      {"a second F0 starts another", {{0xF0, 1, 0xF0, 2, 0xF7}}, {0x30010100u, 0u, 0x30010200u, 0u}},
      {"tune request ends a sysex", {{0xF0, 1, 0xF6}}, {0x30010100u, 0u, 0x10F60000u}},
      // Stray data bytes are dropped, and so is an unfinished message that a new status interrupts.
      {"before any status", {{0x01, 0x02, 0x90, 0x3C, 0x64}}, {0x20903C64u}},
      {"after system common", {{0xF3, 0x01, 0x02, 0x03}}, {0x10F30100u}},
      {"after a sysex end", {{0xF0, 0xF7, 0x01, 0x02}}, {0x30000000u, 0u}},
      {"after a lone F7", {{0x90, 0x3C, 0x64, 0xF7, 0x3E, 0x64}}, {0x20903C64u}},
      {"unfinished channel", {{0x90, 0x3C, 0x80, 0x3C, 0x00}}, {0x20803C00u}},
      {"unfinished system common", {{0xF2, 0x10, 0xC0, 0x05}}, {0x20C00500u}},
      // Messages split across feeds are joined.
      {"split note", {{0x90}, {}, {0x3C}, {0x64}}, {0x20903C64u}},
      {"split running status", {{0x90, 0x3C, 0x64}, {0x3E}, {0x00}}, {0x20903C64u, 0x20903E00u}},
      {"split system common", {{0xF2, 0x10}, {0x20}}, {0x10F21020u}},
      {"split sysex", {{0xF0, 1, 2, 3}, {4, 5, 6}, {7, 0xF7}}, {0x30160102u, 0x03040506u, 0x30310700u, 0u}},
      {"sysex end alone", {{0xF0, 1, 2, 3, 4, 5, 6}, {0xF7}}, {0x30060102u, 0x03040506u}},
      // A reset forgets everything in progress.
      {"reset running status", {{0x90, 0x3C, 0x64}, {0x3E, 0x64}}, {}, true},
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

TEST(UmpEncoder, RoundTripThroughThePacketReader) {
  const Bytes stream = {0xB0, 0x07, 0x64, 0x08, 0x10,                      // CC with running status
                        0xF0, 1,    2,    3,    4,    5,    6,   7, 0xF7,  // sysex in two packets
                        0x92, 0x3C, 0xF8, 0x00,                            // note-on velocity 0, clock inside
                        0xE1, 0x7F, 0x7F, 0xF2, 0x01, 0x02, 0xF4};
  UmpEncoder encoder;
  Words words;
  // One byte at a time, the hardest split a backend can produce.
  for (const std::uint8_t b : stream)
    encoder.feed(std::span(&b, 1), words);
  using MKMCU::MKRaw;
  const std::vector<MKRaw> expected = {
      {0xB0, 0x07, 0x64, false}, {0xB0, 0x08, 0x10, false}, {0xF0, 0, 0, true},
      {0xF0, 0, 0, true},        {0xF8, 0, 0, true},        {0x92, 0x3C, 0x00, false},
      {0xE1, 0x7F, 0x7F, false}, {0xF2, 0x01, 0x02, true},  {0xF4, 0, 0, true},
  };
  EXPECT_EQ(MKMCU::readPackets(words), expected);
}

}  // namespace
