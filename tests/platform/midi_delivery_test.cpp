// One source's delivery: its words with its token, and a loss that leaves nothing of the old stream behind.
#include "platform/midi_delivery.h"

#include <gtest/gtest.h>

#include <vector>

TEST(MidiDelivery, HandsOnTheWordsWithItsTokenAndALossForgetsTheRunningStatus) {
  std::vector<std::uint32_t> got;
  std::vector<std::uint64_t> lost;
  MidiDelivery delivery;
  delivery.token = 4;
  delivery.receive =
      std::make_shared<const MidiReceive>([&](std::uint32_t token, std::span<const std::uint32_t> w) {
        for (const auto word : w)
          got.push_back(token << 28 | (word & 0x0FFFFFFF));
      });
  delivery.lost = std::make_shared<const MidiLost>([&](std::uint64_t count) { lost.push_back(count); });
  std::vector<std::uint32_t> scratch;
  const std::vector<std::uint8_t> note{0x90, 0x3C, 0x40}, more{0x3D, 0x41};
  delivery.deliver(note, scratch);
  delivery.deliver(more, scratch);  // running status: another note on
  EXPECT_EQ(got, (std::vector<std::uint32_t>{0x40903C40, 0x40903D41}));
  delivery.lose(3);  // the status byte of what follows may have been among them
  delivery.deliver(more, scratch);
  EXPECT_EQ(got.size(), 2u);
  EXPECT_EQ(lost, (std::vector<std::uint64_t>{3}));
}
