// The computer's MIDI as the MK module's screens and engine list it: sources, destinations and devices.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/midi_system.h"

struct MKSource {
  std::string name;
  MidiRef ref = 0;
  bool operator==(const MKSource&) const = default;
};

struct MKDestination {
  std::string name;
  std::string device;
  MidiRef ref = 0;
  bool operator==(const MKDestination&) const = default;
};

// Every source, destination and device that is not offline, in the system's order; read afresh each time.
std::vector<MKSource> mkSources(MidiSystem& system);
std::vector<MKDestination> mkDestinations(MidiSystem& system);
// Device names, empty names left out.
std::vector<std::string> mkDevices(MidiSystem& system);
