// An in-memory MIDI system: a test adds sources, destinations and devices, takes them offline, sends from a
// source, and reads what was sent where and when.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/midi_system.h"

class FakeMidiSystem : public MidiSystem {
 public:
  struct Sent {
    double at;
    MidiRef destination;
    int status;
    int d1;
    int d2;
    bool operator==(const Sent&) const = default;
  };

  explicit FakeMidiSystem(const Clock& clock) : clock_(clock) {}

  // Adding or removing anything tells every client, as a real system would.
  MidiRef addSource(const std::string& name, const std::string& device = "") {
    return add(sources_, name, device);
  }
  MidiRef addDestination(const std::string& name, const std::string& device = "") {
    return add(destinations_, name, device);
  }
  void addDevice(const std::string& name, bool offline = false);
  void remove(MidiRef endpoint);
  void setOffline(MidiRef endpoint, bool offline);
  // Sources that no input port can connect to.
  std::set<MidiRef> unconnectable;

  // Delivers words from a source to every input port it is connected to, as the MIDI thread would.
  void deliver(MidiRef source, std::vector<std::uint32_t> words);
  // Words that left a source before it was disconnected and arrive after, with the token it had then.
  void deliverLate(MidiRef source, std::vector<std::uint32_t> words);
  // One MIDI 1.0 message from a source.
  void send3(MidiRef source, int status, int d1, int d2);
  // `count` messages from a source were dropped before they reached the input ports it is connected to.
  void lose(MidiRef source, std::uint64_t count);

  std::vector<Sent> sent;
  struct SentSysex {
    MidiRef destination;
    std::vector<std::uint8_t> bytes;
    bool operator==(const SentSysex&) const = default;
  };
  std::vector<SentSysex> sysex;
  // Destinations an output port made its way to ahead of sending.
  std::set<MidiRef> prepared;
  // How many times the input ports connected and disconnected a source, over the system's life.
  int connects = 0;
  int disconnects = 0;
  // Sends to one destination only, without their times.
  std::vector<Sent> sentTo(MidiRef destination) const;
  int clients() const { return static_cast<int>(clients_.size()); }
  bool connected(MidiRef source) const;

  std::vector<MidiEndpoint> sources() override { return sources_; }
  std::vector<MidiEndpoint> destinations() override { return destinations_; }
  std::vector<MidiDevice> devices() override { return devices_; }
  MidiRef createClient(const std::string& name, std::function<void()> setupChanged) override;
  MidiRef createInputPort(MidiRef client, const std::string& name, MidiReceive receive,
                          MidiLost lost = {}) override;
  // An output port is an input port that receives nothing.
  MidiRef createOutputPort(MidiRef client, const std::string& name) override {
    return createInputPort(client, name, {});
  }
  bool connectSource(MidiRef inputPort, MidiRef source, std::uint32_t token) override;
  void disconnectSource(MidiRef inputPort, MidiRef source) override;
  bool send(MidiRef outputPort, MidiRef destination, std::uint32_t word) override;
  bool sendSysex(MidiRef outputPort, MidiRef destination, std::span<const std::uint8_t> message) override;
  void prepare(MidiRef outputPort, MidiRef destination) override;
  void disposeClient(MidiRef client) override;

 private:
  struct Port {
    MidiRef client;
    std::string name;
    MidiReceive receive;  // empty for an output port
    MidiLost lost;
    std::map<MidiRef, std::uint32_t> tokens;
  };
  MidiRef add(std::vector<MidiEndpoint>& list, const std::string& name, const std::string& device);
  void changed();
  bool sendable(MidiRef outputPort, MidiRef destination) const;

  const Clock& clock_;
  MidiRef next_ = 100;
  std::vector<MidiEndpoint> sources_, destinations_;
  std::vector<MidiDevice> devices_;
  std::map<MidiRef, std::function<void()>> clients_;
  std::map<MidiRef, Port> ports_;
  std::map<MidiRef, std::pair<MidiRef, std::uint32_t>> lastToken_;  // by source: its input port and token
};
