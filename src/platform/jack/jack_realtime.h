// The real-time side of one JACK client of ours: the ports its process callback serves, the queue of what
// they receive towards the main loop, and each output port's queue of what to send. The process callback
// neither locks nor allocates, and asks JACK for nothing but its port buffers.
#pragma once

#include <jack/jack.h>

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>

#include "platform/jack/jack_ring.h"

namespace jackmidi {

inline constexpr std::size_t kMaxInputs = 256;
inline constexpr std::size_t kMaxOutputs = 256;

class Realtime {
 public:
  Realtime();
  ~Realtime();
  Realtime(const Realtime&) = delete;
  Realtime& operator=(const Realtime&) = delete;

  // JACK's process callback; `arg` is the Realtime.
  static int process(jack_nframes_t frames, void* arg);

  // The rest belongs to the threads that hold the system's lock, unless it says otherwise.

  // A port enters the cycle; an input port with the tag of its connection. An output port starts unlinked.
  void publishInput(std::size_t slot, jack_port_t* port, std::uint32_t tag);
  void publishOutput(std::size_t slot, jack_port_t* port);
  // A port leaves the cycle: when this returns, no cycle uses it, and an output port's queue is empty.
  void retireInput(std::size_t slot);
  void retireOutput(std::size_t slot);

  // Whether the graph JACK runs links the output port to its destination, as the worker last saw it.
  void setLinked(std::size_t slot, bool linked);
  // It is being linked afresh: its bytes wait for the link, at most `hold` frames, before they are dropped.
  void relink(std::size_t slot);
  void setHold(jack_nframes_t frames) { holdFrames_ = frames; }
  // Queues one message (at most 255 bytes) for the output port's destination; false when it does not fit.
  bool queueSend(std::size_t slot, std::span<const std::uint8_t> bytes);
  // Returns once the process thread has taken every message queued so far and finished the cycle that took
  // the last, so that closing the client loses none: a stopping engine sends its last releases just before
  // its client goes. Bounded, for a server that runs no more cycles or a link that never comes.
  void drainSends();

  // Readable when received bytes wait; the main loop watches it.
  int wakeDescriptor() const { return wake_; }
  // The main loop's: hands each received message (or a count alone, with no bytes) to `each`, with the tag
  // of its connection and how many of that connection's messages were dropped just before it, until the
  // queue is empty or `each` answers false.
  void readReceived(
      const std::function<bool(std::uint32_t tag, std::uint32_t lost, std::span<const std::uint8_t>)>& each);

  // Messages dropped so far: received ones that found the queue full, sent ones whose link never came.
  std::uint64_t droppedReceived() const { return droppedReceived_; }
  std::uint64_t droppedSends() const { return droppedSends_; }

 private:
  // A port as the process thread sees it. An input port's tag names the connection it is for, so that bytes
  // that outlive it are recognised.
  struct Port {
    std::atomic<jack_port_t*> port{nullptr};
    std::atomic<std::uint32_t> tag{0};
  };
  // An output port, with what waits for its destination and whether the graph links it there. The worker
  // keeps `linked` up to date from the graph callbacks, so that the process thread never asks JACK
  // (PipeWire's JACK layer answers such questions under a lock that its other threads hold).
  struct Output : Port {
    std::unique_ptr<Ring> queue;  // made before the port is first published
    std::atomic<bool> linked{false};
    std::atomic<std::uint32_t> attempt{0};  // bumped at each attempt to link it
  };

  void retire(Port& slot);
  void receive(jack_nframes_t frames);
  void send(jack_nframes_t frames);

  std::array<Port, kMaxInputs> inputs_;
  std::array<Output, kMaxOutputs> outputs_;
  // How many slots have ever been used: the process callback looks no further.
  std::atomic<std::size_t> inputsUsed_{0};
  std::atomic<std::size_t> outputsUsed_{0};
  Ring received_;
  // Set for the length of each cycle, so that a port can be retired without a lock.
  std::atomic<bool> busy_{false};
  std::atomic<std::uint64_t> cycles_{0};
  std::atomic<std::uint64_t> droppedReceived_{0};
  std::atomic<std::uint64_t> droppedSends_{0};
  std::atomic<jack_nframes_t> holdFrames_{24000};
  // An eventfd: writing to it is one system call that never blocks, which a real-time thread may make.
  int wake_;

  // The process thread's own.
  std::array<std::uint64_t, kMaxOutputs> waited_{};
  std::array<std::uint32_t, kMaxOutputs> attempts_{};
  std::array<std::uint32_t, kMaxInputs> lost_{};  // dropped and not yet told, for the connection of lostTags_
  std::array<std::uint32_t, kMaxInputs> lostTags_{};
};

}  // namespace jackmidi
