// One received MIDI message as the port layer hands it to the engine: three bytes and a system flag.
#pragma once

namespace MKMCU {

struct MKRaw {
  int status = 0;  // the status byte, channel nibble included
  int d1 = 0;      // first data byte, 0-127
  int d2 = 0;      // second data byte, 0-127
  bool system = false;

  bool operator==(const MKRaw&) const = default;
};

}  // namespace MKMCU
