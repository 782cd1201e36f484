// JACK names (see the header).
#include "platform/jack/jack_names.h"

#include <algorithm>

#include "platform/midi_wire.h"

namespace jackmidi {

std::string clientName(std::string_view wanted, std::size_t limit) {
  std::string out;
  for (std::size_t i = 0; i < wanted.size(); ++i) {
    if (wanted[i] != ':') {
      out += wanted[i];
    } else if (i + 1 < wanted.size() && wanted[i + 1] == ' ' && !out.empty() && out.back() != ' ') {
      out += " -";
    } else {
      out += '-';
    }
  }
  return midiWire::truncateUtf8(std::move(out), limit);
}

std::string deviceFromName(std::string_view name) {
  constexpr std::string_view bridge = "alsa_pcm:";
  if (name.substr(0, bridge.size()) == bridge) {
    const std::string_view rest = name.substr(bridge.size());
    const std::size_t slash = rest.find('/');
    return slash != std::string_view::npos && slash > 0 ? std::string(rest.substr(0, slash)) : std::string();
  }
  // a2jmidid: "<device> [<ALSA client id>] (capture|playback): <port>", perhaps after "a2j:".
  for (std::size_t at = name.find(" ["); at != std::string_view::npos; at = name.find(" [", at + 1)) {
    std::size_t i = at + 2;
    const std::size_t digits = i;
    while (i < name.size() && name[i] >= '0' && name[i] <= '9')
      ++i;
    if (i == digits) continue;
    const std::string_view tail = name.substr(i);
    if (tail.substr(0, 12) != "] (capture):" && tail.substr(0, 13) != "] (playback):") continue;
    std::string_view device = name.substr(0, at);
    if (device.substr(0, 4) == "a2j:") device.remove_prefix(4);
    return std::string(device);
  }
  return {};
}

std::string deviceFromAliases(const std::vector<std::string>& aliases) {
  const auto sequencer = [](const std::string& alias) { return alias.rfind("alsa:seq:", 0) == 0; };
  if (std::any_of(aliases.begin(), aliases.end(), sequencer))
    for (const auto& alias : aliases)
      if (const std::size_t colon = alias.find(':');
          !sequencer(alias) && colon != std::string::npos && colon > 0)
        return alias.substr(0, colon);
  for (const auto& alias : aliases)
    if (auto device = deviceFromName(alias); !device.empty()) return device;
  return {};
}

std::string clientOf(const std::string& fullName) {
  return fullName.substr(0, fullName.find(':'));
}

std::string shortOf(const std::string& fullName) {
  const std::size_t colon = fullName.find(':');
  return colon == std::string::npos ? fullName : fullName.substr(colon + 1);
}

}  // namespace jackmidi
