// MIDI 1.0 byte stream to Universal MIDI Packets (group 0). JACK and ALSA deliver raw bytes; turning them
// into UMP words here lets one packet reader serve every backend.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

// One encoder per source: a message or a SysEx may be split across deliveries, so the encoder keeps what
// it has seen until the message is complete.
class UmpEncoder {
 public:
  // Appends to `out` the words for every message the bytes complete. Real time bytes come out at once,
  // wherever they fall; bytes of an unfinished message wait for the next call.
  void feed(std::span<const std::uint8_t> bytes, std::vector<std::uint32_t>& out);

  // Forgets everything in progress (running status, a half message, a SysEx) without emitting it.
  void reset();

 private:
  void statusByte(std::uint8_t status, std::vector<std::uint32_t>& out);
  void dataByte(std::uint8_t data, std::vector<std::uint32_t>& out);
  void sysexByte(std::uint8_t data, std::vector<std::uint32_t>& out);
  void endSysex(std::vector<std::uint32_t>& out);
  void emitSysex(int form, std::vector<std::uint32_t>& out);

  // The status of the message being gathered; for channel messages it stays after the message completes,
  // which is running status. 0 when there is none.
  std::uint8_t status_ = 0;
  std::array<std::uint8_t, 2> data_{};
  int have_ = 0;

  bool inSysex_ = false;
  bool sysexStarted_ = false;  // a start packet has gone out for the SysEx in progress
  std::array<std::uint8_t, 6> sysex_{};
  int sysexCount_ = 0;
};
