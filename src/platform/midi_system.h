// The computer's MIDI: listing sources, destinations and devices, clients with an input port that hears
// connected sources and an output port that sends to one destination, and word of setup changes.
// Objects are numbered references; 0 means none. Messages travel as MIDI 1.0 Universal MIDI Packet words.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

using MidiRef = std::uint32_t;

struct MidiEndpoint {
  MidiRef ref = 0;
  std::string name;    // empty when it cannot be read
  std::string device;  // the name of the device it belongs to; empty when unknown
  bool offline = false;
};

struct MidiDevice {
  std::string name;
  bool offline = false;
};

// Called with the words of one delivery and the token its source was connected with, on the thread that the
// system names (the main loop's, for the Linux backends).
using MidiReceive = std::function<void(std::uint32_t token, std::span<const std::uint32_t> words)>;
// Called, on the same thread, when messages for an input port were dropped because the program fell behind:
// how many, or 0 when the system cannot tell.
using MidiLost = std::function<void(std::uint64_t count)>;

class MidiSystem {
 public:
  virtual ~MidiSystem() = default;

  // Which MIDI layer this is and why it was chosen, for the engines' trace; empty when nobody chose.
  std::string about;
  // Whether the layer itself is there, as a line for the engines' trace, which they add whenever it changes
  // while they run: a JACK server can stop and start again under the program. Empty for a layer that cannot
  // go away.
  virtual std::string presence() { return {}; }

  virtual std::vector<MidiEndpoint> sources() = 0;
  virtual std::vector<MidiEndpoint> destinations() = 0;
  virtual std::vector<MidiDevice> devices() = 0;

  // A client of the MIDI system under `name`; `setupChanged` is called, on any thread, whenever sources,
  // destinations or devices come or go. 0 when it cannot be made.
  virtual MidiRef createClient(const std::string& name, std::function<void()> setupChanged) = 0;
  virtual MidiRef createInputPort(MidiRef client, const std::string& name, MidiReceive receive,
                                  MidiLost lost = {}) = 0;
  virtual MidiRef createOutputPort(MidiRef client, const std::string& name) = 0;
  // Everything the source sends from now on reaches the input port with `token`.
  virtual bool connectSource(MidiRef inputPort, MidiRef source, std::uint32_t token) = 0;
  virtual void disconnectSource(MidiRef inputPort, MidiRef source) = 0;
  // One MIDI 1.0 channel voice word (type 2), to that destination only. False when it was refused.
  virtual bool send(MidiRef outputPort, MidiRef destination, std::uint32_t word) = 0;
  // One whole system exclusive message, F0 to F7, to that destination only. False when it was refused.
  virtual bool sendSysex(MidiRef outputPort, MidiRef destination, std::span<const std::uint8_t> message) = 0;
  // Makes the way from the output port to the destination now, so that the first message sent there does not
  // wait for it. Sending works without it; a layer that needs no way does nothing.
  virtual void prepare(MidiRef /*outputPort*/, MidiRef /*destination*/) {}
  // Closes the client and its ports.
  virtual void disposeClient(MidiRef client) = 0;
};
