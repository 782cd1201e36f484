// MidiSystem on the ALSA sequencer: other clients' MIDI ports are the sources and destinations, each engine
// client is a sequencer client of its own, and a watching client hears the system's announcements.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/loop.h"
#include "platform/midi_system.h"

// A source or destination keeps its reference for the life of the system by its client's name, its own name
// and, among ports with both names alike, its place: a device plugged in again comes back under the same
// reference though the sequencer gives it a new client number, and connections made to it resume by
// themselves. A port that is both a source and a destination has one reference for both.
class AlsaMidiSystem final : public MidiSystem {
 public:
  // `sequencer` is the ALSA name of the sequencer to open. When it cannot be opened, the system stays
  // offline for good: empty listings, and clients that do nothing. Received messages are handed to the input
  // ports' receivers on `loop`'s thread, which must outlive the system; clients are made and disposed of
  // there too.
  explicit AlsaMidiSystem(Loop& loop, const std::string& sequencer = "default");
  ~AlsaMidiSystem() override;

  AlsaMidiSystem(const AlsaMidiSystem&) = delete;
  AlsaMidiSystem& operator=(const AlsaMidiSystem&) = delete;

  // Whether the sequencer could be opened, and if not, why (ALSA's words, e.g. "No such file or directory").
  bool online() const;
  std::string failure() const;

  std::vector<MidiEndpoint> sources() override;
  std::vector<MidiEndpoint> destinations() override;
  // The clients that have a source or a destination, by name.
  std::vector<MidiDevice> devices() override;

  MidiRef createClient(const std::string& name, std::function<void()> setupChanged) override;
  MidiRef createInputPort(MidiRef client, const std::string& name, MidiReceive receive,
                          MidiLost lost = {}) override;
  MidiRef createOutputPort(MidiRef client, const std::string& name) override;
  bool connectSource(MidiRef inputPort, MidiRef source, std::uint32_t token) override;
  void disconnectSource(MidiRef inputPort, MidiRef source) override;
  bool send(MidiRef outputPort, MidiRef destination, std::uint32_t word) override;
  bool sendSysex(MidiRef outputPort, MidiRef destination, std::span<const std::uint8_t> message) override;
  void disposeClient(MidiRef client) override;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};
