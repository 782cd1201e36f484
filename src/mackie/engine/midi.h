// The MK module's MIDI client: it hears every source at once, hands each message to the engine on the main
// thread, and sends single messages to one destination. Also the listings the screens and the engine use.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "mackie/core/raw.h"
#include "platform/loop.h"
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

// Made with std::make_shared: its MIDI-thread callbacks hold it weakly.
class MKMidi : public std::enable_shared_from_this<MKMidi> {
 public:
  static constexpr const char* CLIENT_NAME = "Orvane VUDA Verer · MK Control";

  MKMidi(MidiSystem& system, Loop& loop);
  ~MKMidi();

  MidiRef client = 0;
  MidiRef inPort = 0;
  MidiRef outPort = 0;
  // The sources that are connected, in the system's order.
  std::vector<std::string> names;
  std::vector<MidiRef> refs;
  // Called on the main thread for each received message, and when the MIDI setup changed.
  std::function<void(const std::string& port, const MKMCU::MKRaw& raw)> onMessage;
  std::function<void()> onSetup;
  // Called on the main thread when the MIDI layer had to drop input: how many messages, 0 when it cannot
  // tell.
  std::function<void(std::uint64_t count)> onLost;

  // Makes the client and both ports, once.
  void start();
  // Reconnects every online source from a clean slate; answers how many are connected.
  int openAll();
  void closeAll();
  // closeAll, then disposes of the client; a later start makes a new one.
  void stop();
  // One three-byte message to a destination; true when the system accepted it.
  bool send(MidiRef destination, int status, int d1, int d2);

 private:
  MidiSystem& system_;
  Loop& loop_;
  // What the MIDI thread reads to name a token (a source's position in the listing + 1): replaced whole,
  // never changed in place.
  std::atomic<std::shared_ptr<const std::vector<std::string>>> snapshot_;
};
