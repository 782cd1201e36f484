// The listings (see the header).
#include "mackie/engine/midi.h"

#include <utility>

std::vector<MKSource> mkSources(MidiSystem& system) {
  std::vector<MKSource> out;
  for (auto& e : system.sources())
    if (!e.offline) out.push_back({std::move(e.name), e.ref});
  return out;
}

std::vector<MKDestination> mkDestinations(MidiSystem& system) {
  std::vector<MKDestination> out;
  for (auto& e : system.destinations())
    if (!e.offline) out.push_back({std::move(e.name), std::move(e.device), e.ref});
  return out;
}

std::vector<std::string> mkDevices(MidiSystem& system) {
  std::vector<std::string> out;
  for (auto& d : system.devices())
    if (!d.offline && !d.name.empty()) out.push_back(std::move(d.name));
  return out;
}
