// MIDI 1.0 parsing (running status, real time interleaving, SysEx chunking) into MIDI 1.0 UMP words.
#include "platform/ump_encoder.h"

#include <cstddef>

namespace {

constexpr std::uint32_t kSystemWord = 0x10000000u;
constexpr std::uint32_t kChannelWord = 0x20000000u;
constexpr std::uint32_t kSysexWord = 0x30000000u;

constexpr int kComplete = 0;
constexpr int kStart = 1;
constexpr int kContinue = 2;
constexpr int kEnd = 3;

// Data bytes that follow a status byte; -1 for status bytes that are not gathered as a message.
int dataBytesFor(std::uint8_t status) {
  switch (status & 0xF0) {
    case 0xC0:
    case 0xD0:
      return 1;
    case 0x80:
    case 0x90:
    case 0xA0:
    case 0xB0:
    case 0xE0:
      return 2;
    default:
      break;
  }
  switch (status) {
    case 0xF1:
    case 0xF3:
      return 1;
    case 0xF2:
      return 2;
    case 0xF4:
    case 0xF5:
    case 0xF6:
      return 0;
    default:
      return -1;
  }
}

std::uint32_t word(std::uint32_t type, std::uint8_t status, std::uint8_t d1, std::uint8_t d2) {
  return type | std::uint32_t{status} << 16 | std::uint32_t{d1} << 8 | std::uint32_t{d2};
}

}  // namespace

void UmpEncoder::feed(std::span<const std::uint8_t> bytes, std::vector<std::uint32_t>& out) {
  for (const std::uint8_t b : bytes) {
    if (b >= 0xF8) {
      // Real time may interrupt anything and leaves every piece of state alone.
      out.push_back(word(kSystemWord, b, 0, 0));
    } else if (b & 0x80) {
      statusByte(b, out);
    } else if (inSysex_) {
      sysexByte(b, out);
    } else {
      dataByte(b, out);
    }
  }
}

void UmpEncoder::reset() {
  status_ = 0;
  have_ = 0;
  inSysex_ = false;
  sysexStarted_ = false;
  sysexCount_ = 0;
}

void UmpEncoder::statusByte(std::uint8_t status, std::vector<std::uint32_t>& out) {
  if (inSysex_) {
    endSysex(out);
    if (status == 0xF7) return;
  }
  // A new status abandons any half-gathered message.
  have_ = 0;
  status_ = 0;
  if (status == 0xF0) {
    // SysEx cancels running status like system common does.
    inSysex_ = true;
    sysexStarted_ = false;
    sysexCount_ = 0;
    return;
  }
  if (status == 0xF7) return;  // an end with no SysEx to end: nothing to send
  status_ = status;
  if (dataBytesFor(status) == 0) {
    out.push_back(word(kSystemWord, status, 0, 0));
    status_ = 0;
  }
}

void UmpEncoder::dataByte(std::uint8_t data, std::vector<std::uint32_t>& out) {
  if (status_ == 0) return;  // stray: nothing to attach it to
  const int needed = dataBytesFor(status_);
  if (needed <= 0) {
    status_ = 0;
    return;
  }
  data_[static_cast<std::size_t>(have_++)] = data;
  if (have_ < needed) return;
  const std::uint8_t d1 = data_[0];
  const std::uint8_t d2 = needed == 2 ? data_[1] : 0;
  have_ = 0;
  if (status_ >= 0xF0) {
    out.push_back(word(kSystemWord, status_, d1, d2));
    status_ = 0;  // system common leaves no running status
  } else {
    out.push_back(word(kChannelWord, status_, d1, d2));
  }
}

void UmpEncoder::sysexByte(std::uint8_t data, std::vector<std::uint32_t>& out) {
  // A full buffer goes out only when another byte arrives, so that a SysEx of exactly six bytes still
  // fits one complete packet.
  if (sysexCount_ == static_cast<int>(sysex_.size())) {
    emitSysex(sysexStarted_ ? kContinue : kStart, out);
    sysexStarted_ = true;
  }
  sysex_[static_cast<std::size_t>(sysexCount_++)] = data;
}

void UmpEncoder::endSysex(std::vector<std::uint32_t>& out) {
  emitSysex(sysexStarted_ ? kEnd : kComplete, out);
  inSysex_ = false;
  sysexStarted_ = false;
}

void UmpEncoder::emitSysex(int form, std::vector<std::uint32_t>& out) {
  std::array<std::uint8_t, 6> b{};
  for (int i = 0; i < sysexCount_; ++i)
    b[static_cast<std::size_t>(i)] = sysex_[static_cast<std::size_t>(i)];
  const std::uint32_t head =
      kSysexWord | static_cast<std::uint32_t>(form) << 20 | static_cast<std::uint32_t>(sysexCount_) << 16;
  out.push_back(head | std::uint32_t{b[0]} << 8 | std::uint32_t{b[1]});
  out.push_back(std::uint32_t{b[2]} << 24 | std::uint32_t{b[3]} << 16 | std::uint32_t{b[4]} << 8 |
                std::uint32_t{b[5]});
  sysexCount_ = 0;
}
