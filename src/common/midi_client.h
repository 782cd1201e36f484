// One engine's client of the computer's MIDI: an input port that hears the sources it opens, and an output
// port that sends to single destinations. Both engines read their input through it. On a setup change it
// opens only the sources that came and closes only those that went: a source that stays keeps its
// connection, and its name, from connect to disconnect, so nothing it sends meanwhile is lost or unnamed.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/loop.h"
#include "platform/midi_system.h"

class LostInput;

struct MidiClientNames {
  std::string client;
  std::string input;
  std::string output;
};

// Which sources a client opens, in the system's order.
enum class SourcePick {
  online,     // every source that is not offline
  onePerName  // every source with a name, the first of each name: nameless ones cannot be told apart
};

// Made with std::make_shared: the MIDI layer's callbacks hold it weakly.
class MidiClient : public std::enable_shared_from_this<MidiClient> {
 public:
  MidiClient(MidiSystem& system, Loop& loop, MidiClientNames names, SourcePick pick);
  ~MidiClient();
  MidiClient(const MidiClient&) = delete;
  MidiClient& operator=(const MidiClient&) = delete;

  // Each runs on the loop's thread. What one source delivered, with its name as it was when connected.
  std::function<void(const std::string& source, std::span<const std::uint32_t> words)> onWords;
  // The setup changed: sources, destinations or devices came or went.
  std::function<void()> onSetup;
  // A line for the trace when the layer below had to drop input, at most one a second.
  std::function<void(const std::string& line)> onLost;

  // Makes the client and both ports, once until dispose().
  void start();
  bool started() const { return client_ != 0; }
  // Opens the sources it picks that are not open yet, closes those it no longer picks; answers how many are
  // open. A source it cannot connect is left out, and another of the same name may take its place.
  int sync();
  void closeAll();
  // closeAll, then the client goes; a later start() makes a new one.
  void dispose();

  // The names of the open sources, in the system's order.
  const std::vector<std::string>& names() const { return names_; }

  // One MIDI 1.0 message to a destination; true when the layer took it.
  bool send(MidiRef destination, int status, int d1, int d2);
  bool sendSysex(MidiRef destination, std::span<const std::uint8_t> message);
  // The way to a destination made now, so that its first message does not wait for it.
  void prepare(MidiRef destination);

 private:
  struct Open {
    MidiRef ref = 0;
    std::uint32_t token = 0;
    std::string name;
  };
  using Names = std::map<std::uint32_t, std::string>;  // by token

  void publish();

  MidiSystem& system_;
  Loop& loop_;
  MidiClientNames portNames_;
  SourcePick pick_;
  MidiRef client_ = 0;
  MidiRef inPort_ = 0;
  MidiRef outPort_ = 0;
  std::vector<Open> open_;
  std::vector<std::string> names_;
  std::uint32_t nextToken_ = 1;  // never reused: a token names one connection for good
  std::shared_ptr<LostInput> lost_;
  // What the MIDI layer's thread reads to name a token: replaced whole, never changed in place. Shared with
  // the receiver, which may outlive a call in flight.
  std::shared_ptr<std::atomic<std::shared_ptr<const Names>>> snapshot_;
};
