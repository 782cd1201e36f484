// The UMP packet reader (packet sizes, what each type yields, malformed input) and the monitor's words for
// each message it yields.
#include "mackie/core/packets.h"

#include <gtest/gtest.h>

#include "mackie/core/handshake.h"
#include "mackie/core/watch.h"

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
    const std::size_t fromPacket = (type == 1 || type == 2 || type == 3) ? 1 : 0;
    EXPECT_EQ(std::tuple(raws.size(), raws.empty() ? MKRaw{} : raws.back()),
              std::tuple(fromPacket + 1, MKRaw{0xB0, 0x07, 0x40, false}))
        << "type " << type;
  }
}

// What each type yields beyond its size is the packet's own: system messages whole, each piece of a sysex as
// one message, and a packet cut short, by the words or by the end of the span, ends the reading.
TEST(Packets, EachPacketGivesItsMessagesAndATruncatedOneEndsTheReadingEvenWhenTheBufferGoesOn) {
  const MKRaw sysex{0xF0, 0, 0, true};
  // clang-format off
  const std::tuple<const char*, Words, Raws> cases[] = {
      {"system", {0x10F20102u, 0x10F80000u}, {{0xF2, 0x01, 0x02, true}, {0xF8, 0, 0, true}}},
      {"sysex complete, start, continue, end",
       {0x30024142u, 0u, 0x30164142u, 0x43444546u, 0x30264142u, 0x43444546u, 0x30314100u, 0u}, {sysex, sysex, sysex, sysex}},
      {"sysex missing its second word", {0x20903C64u, 0x30024142u}, {{0x90, 0x3C, 0x64, false}}}};
  // clang-format on
  for (const auto& [name, words, expected] : cases)
    EXPECT_EQ(readPackets(words), expected) << name;
  // The words after the span's end would form a valid sysex; the reader must not look at them.
  const Words buffer = {0x30024142u, 0x00000000u};
  EXPECT_TRUE(readPackets(std::span(buffer).first(1)).empty());
}

// F0 00 00 66 14 00 F7 as one whole 7-bit SysEx packet, in any group, wherever it falls among the words; the
// answer is the Mackie Control's, framed as SysEx.
TEST(Handshake, OnlyAMackieControlsDeviceQueryIsOneAndItsAnswerCarriesSerialAndChallenge) {
  // clang-format off
  const std::pair<Words, bool> cases[] = {
      {{0x30050000u, 0x66140000u}, true}, {{0x20903C64u, 0x33050000u, 0x66140000u}, true},
      {{0x30050000u, 0x66150000u}, false},  // an extender's
      {{0x30050000u, 0x66100000u}, false},  // a Logic Control's, which wants a challenge answered
      {{0x30050000u, 0x66140100u}, false}, {{0x30150000u, 0x66140000u}, false},  // other data, a SysEx's start
      {{0x30040000u, 0x66140000u}, false}, {{0x30050000u}, false}};               // 4 bytes, cut short
  // clang-format on
  for (const auto& [words, query] : cases)
    EXPECT_EQ(MKMCU::holdsDeviceQuery(words), query) << testing::PrintToString(words);
  const auto& answer = MKMCU::DEVICE_ANSWER;
  EXPECT_EQ(std::vector(answer.begin(), answer.begin() + 6),
            (std::vector<std::uint8_t>{0xF0, 0x00, 0x00, 0x66, 0x14, 0x01}));
  EXPECT_EQ(answer.back(), 0xF7);
  EXPECT_TRUE(std::all_of(answer.begin() + 1, answer.end() - 1, [](std::uint8_t b) { return b < 0x80; }));
}

TEST(Watch, NamesSystemMessagesOrNumbersThemGivesChannelMessagesTheirChannelAndHidesOnlyTheTimingOnes) {
  for (const int status : {0xF8, 0xFE, 0xF1})  // clock, active sensing, quarter frame
    EXPECT_TRUE(MKWatch::quiet({status, 0, 0, true})) << status;
  EXPECT_FALSE(MKWatch::quiet({0xFA, 0, 0, true}));
  EXPECT_FALSE(MKWatch::quiet({0xF8, 0, 0, false}));  // only as system messages
  // clang-format off
  const std::pair<MKMCU::MKRaw, const char*> cases[] = {
      {{0xFA, 0, 0, true}, "START"}, {{0xF0, 0, 0, true}, "SYSEX"}, {{0xF4, 0, 0, true}, "SYSTEM F4"},
      {{0x80, 60, 64, false}, "NOTE 60 off   ch 1"}, {{0x92, 60, 0, false}, "NOTE 60 off   ch 3"},
      {{0x90, 60, 100, false}, "NOTE 60 = 100   ch 1"}, {{0xA5, 61, 33, false}, "NOTE 61 PRESSURE 33   ch 6"},
      {{0xBF, 7, 127, false}, "CC 7 = 127   ch 16"}, {{0xC9, 12, 0, false}, "PROGRAM 12   ch 10"},
      {{0xD1, 90, 0, false}, "PRESSURE 90   ch 2"}, {{0xE3, 1, 127, false}, "PITCH BEND 16257   ch 4"}};
  // clang-format on
  for (const auto& [raw, text] : cases)
    EXPECT_EQ(MKWatch::describe(raw), text) << "status " << raw.status << " system " << raw.system;
}
