// One source as an input port hears it: the token it was connected with, the port's receiver and loss
// handler, and the encoder that turns its bytes into words. The backends keep one per connection and use it
// on the thread they deliver on.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "platform/midi_system.h"
#include "platform/ump_encoder.h"

struct MidiDelivery {
  std::uint32_t token = 0;
  std::shared_ptr<const MidiReceive> receive;
  std::shared_ptr<const MidiLost> lost;
  UmpEncoder encoder;

  // Hands the words that the bytes complete to the receiver; `words` is scratch room. A receiver that throws
  // stops nothing: later messages still need delivering.
  void deliver(std::span<const std::uint8_t> bytes, std::vector<std::uint32_t>& words);
  // `count` messages of the source were dropped (0: an unknown number). What the encoder holds may belong to
  // them, so it starts afresh.
  void lose(std::uint64_t count);
};
