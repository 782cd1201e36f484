// MidiSystem on JACK: other clients' MIDI ports are the sources and destinations, each engine client is a
// JACK client of its own, and everything comes back by itself after the JACK server goes away and returns.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/loop.h"
#include "platform/midi_system.h"

class JackMidiSystem final : public MidiSystem {
 public:
  // `server` names the JACK server to use; empty means the default one (JACK_DEFAULT_SERVER). A server is
  // never started: without one, listings are empty until it appears. Received messages are handed to the
  // input ports' receivers on `loop`'s thread, which must outlive the system; clients are made and disposed
  // of there too.
  explicit JackMidiSystem(Loop& loop, const std::string& server = {});
  ~JackMidiSystem() override;

  JackMidiSystem(const JackMidiSystem&) = delete;
  JackMidiSystem& operator=(const JackMidiSystem&) = delete;

  std::vector<MidiEndpoint> sources() override;
  std::vector<MidiEndpoint> destinations() override;
  std::vector<MidiDevice> devices() override;

  MidiRef createClient(const std::string& name, std::function<void()> setupChanged) override;
  MidiRef createInputPort(MidiRef client, const std::string& name, MidiReceive receive,
                          MidiLost lost = {}) override;
  MidiRef createOutputPort(MidiRef client, const std::string& name) override;
  bool connectSource(MidiRef inputPort, MidiRef source, std::uint32_t token) override;
  void disconnectSource(MidiRef inputPort, MidiRef source) override;
  bool send(MidiRef outputPort, MidiRef destination, std::uint32_t word) override;
  bool sendSysex(MidiRef outputPort, MidiRef destination, std::span<const std::uint8_t> message) override;
  // Registers the output port's JACK port for the destination and links it, ahead of the first send.
  void prepare(MidiRef outputPort, MidiRef destination) override;
  void disposeClient(MidiRef client) override;

  // Whether a JACK server is connected right now.
  bool online();
  std::string presence() override;
  // The name JACK gave the client (it may differ from the one asked for); empty while it is not open.
  std::string jackClientName(MidiRef client);
  // Incoming events dropped because the main loop fell behind, over the life of the system.
  std::uint64_t droppedEvents();
  // Sent messages dropped because JACK never linked their destination (send() had accepted them).
  std::uint64_t droppedSends();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};
