// How JACK names things, read and written: our clients' names, and the device a port belongs to.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace jackmidi {

// A JACK client name for `wanted`: JACK tells a port's client from its name by the first ':', so colons are
// replaced (": " by " - ", a lone ':' by '-'); then cut to `limit` bytes.
std::string clientName(std::string_view wanted, std::size_t limit);

// The device a port belongs to, read from one of its names or aliases: "alsa_pcm:OXI-E16/midi_capture_1"
// (JACK's ALSA bridge) or "OXI E16 [24] (capture): OXI E16 MIDI 1" (a2jmidid) both give "OXI E16"-like
// names; empty when the text names no device.
std::string deviceFromName(std::string_view name);

// The device named by a port's aliases. PipeWire's bridge to the ALSA sequencer shows every controller's
// ports under one client of its own; the aliases of each port keep its sequencer address
// ("alsa:seq:default:client_24:capture_0") and "client:port" ("OXI E16:OXI E16 MIDI 1"), whose client is the
// device. Otherwise the first alias that deviceFromName reads; empty when none names a device.
std::string deviceFromAliases(const std::vector<std::string>& aliases);

// The client and the port part of a full port name ("client:port").
std::string clientOf(const std::string& fullName);
std::string shortOf(const std::string& fullName);

}  // namespace jackmidi
