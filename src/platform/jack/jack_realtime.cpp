// The real-time side of a JACK client (see the header): the process callback and both ends of its queues.
#include "platform/jack/jack_realtime.h"

#include <jack/midiport.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <thread>
#include <vector>

namespace jackmidi {

namespace {

// Room for about a second of a busy controller, or a few large SysEx dumps.
constexpr std::size_t kReceivedBytes = std::size_t{1} << 16;
// Each destination's queue: a thousand messages waiting for their cycle.
constexpr std::size_t kSendBytes = std::size_t{1} << 12;
// A cycle in progress ends within microseconds; this only bounds the wait if the process thread is stuck.
constexpr auto kQuiesceAtMost = std::chrono::milliseconds(200);

// Ahead of each received message. `lost` counts the connection's messages dropped just before it, for want
// of room; a header of size 0 carries only such a count.
struct InHeader {
  std::uint32_t tag;
  std::uint32_t size;
  std::uint32_t lost;
};

// Ahead of each message waiting to be sent: its length, the bytes follow.
struct OutHeader {
  std::uint8_t size;
};
constexpr std::size_t kLongestSend = 255;

}  // namespace

Realtime::Realtime() : received_(kReceivedBytes), wake_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

Realtime::~Realtime() {
  if (wake_ >= 0) close(wake_);
}

int Realtime::process(jack_nframes_t frames, void* arg) {
  auto& rt = *static_cast<Realtime*>(arg);
  rt.busy_.store(true);
  rt.send(frames);
  rt.receive(frames);
  rt.cycles_.fetch_add(1);
  rt.busy_.store(false);
  return 0;
}

// Each destination has its own queue: one whose link JACK has not applied yet holds back no other.
void Realtime::send(jack_nframes_t frames) {
  const jack_nframes_t hold = holdFrames_.load();
  const std::size_t used = outputsUsed_.load();
  for (std::size_t i = 0; i < used; ++i) {
    Output& out = outputs_[i];
    jack_port_t* port = out.port.load();
    if (port == nullptr) continue;
    void* buffer = jack_port_get_buffer(port, frames);
    if (buffer == nullptr) continue;
    // An output buffer keeps last cycle's events unless it is cleared.
    jack_midi_clear_buffer(buffer);
    if (const std::uint32_t attempt = out.attempt.load(); attempt != attempts_[i]) {
      attempts_[i] = attempt;
      waited_[i] = 0;
    }
    OutHeader header{};
    if (!out.linked.load()) {
      // Written now, the bytes would go nowhere. They wait, in order, for the link; one that never comes
      // drops them, and says so.
      if (!out.queue->peek(&header, sizeof header)) continue;
      waited_[i] += frames;
      if (waited_[i] <= hold) continue;
      while (out.queue->pop(&header, sizeof header)) {
        out.queue->pop(nullptr, header.size);
        droppedSends_.fetch_add(1, std::memory_order_relaxed);
      }
      continue;
    }
    waited_[i] = 0;
    std::uint8_t message[sizeof(OutHeader) + kLongestSend];
    while (out.queue->peek(&header, sizeof header) && out.queue->peek(message, sizeof header + header.size)) {
      if (jack_midi_event_write(buffer, 0, message + sizeof header, header.size) != 0)
        break;  // this cycle's buffer is full: the rest goes next cycle, in order
      out.queue->pop(nullptr, sizeof header + header.size);
    }
  }
}

void Realtime::receive(jack_nframes_t frames) {
  bool wrote = false;
  const std::size_t used = inputsUsed_.load();
  for (std::size_t i = 0; i < used; ++i) {
    jack_port_t* port = inputs_[i].port.load();
    if (port == nullptr) continue;
    const std::uint32_t tag = inputs_[i].tag.load();
    if (lostTags_[i] != tag) lost_[i] = 0;  // a new connection: the old one's losses went with it
    lostTags_[i] = tag;
    // Losses are told in order, ahead of what came after them, as soon as there is room again.
    if (lost_[i] > 0) {
      const InHeader lost{tag, 0, lost_[i]};
      if (received_.push(&lost, sizeof lost)) {
        lost_[i] = 0;
        wrote = true;
      }
    }
    void* buffer = jack_port_get_buffer(port, frames);
    if (buffer == nullptr) continue;
    const std::uint32_t count = jack_midi_get_event_count(buffer);
    for (std::uint32_t e = 0; e < count; ++e) {
      jack_midi_event_t event;
      if (jack_midi_event_get(&event, buffer, e) != 0 || event.size == 0) continue;
      const InHeader header{tag, static_cast<std::uint32_t>(event.size), lost_[i]};
      if (received_.push(&header, sizeof header, event.buffer, event.size)) {
        lost_[i] = 0;
        wrote = true;
      } else {
        ++lost_[i];
        droppedReceived_.fetch_add(1, std::memory_order_relaxed);
      }
    }
  }
  if (wrote) {
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto written = write(wake_, &one, sizeof one);
  }
}

void Realtime::publishInput(std::size_t slot, jack_port_t* port, std::uint32_t tag) {
  inputs_[slot].tag.store(tag);
  inputs_[slot].port.store(port);
  std::size_t was = inputsUsed_.load();
  while (was < slot + 1 && !inputsUsed_.compare_exchange_weak(was, slot + 1)) {
  }
}

void Realtime::publishOutput(std::size_t slot, jack_port_t* port) {
  Output& out = outputs_[slot];
  if (!out.queue) out.queue = std::make_unique<Ring>(kSendBytes);
  out.linked = false;
  out.attempt.fetch_add(1);
  out.port.store(port);
  std::size_t was = outputsUsed_.load();
  while (was < slot + 1 && !outputsUsed_.compare_exchange_weak(was, slot + 1)) {
  }
}

void Realtime::retire(Port& slot) {
  slot.port.store(nullptr);
  const std::uint64_t seen = cycles_.load();
  if (!busy_.load()) return;
  const auto deadline = std::chrono::steady_clock::now() + kQuiesceAtMost;
  while (busy_.load() && cycles_.load() == seen && std::chrono::steady_clock::now() < deadline)
    std::this_thread::yield();
}

void Realtime::retireInput(std::size_t slot) {
  retire(inputs_[slot]);
}

void Realtime::retireOutput(std::size_t slot) {
  retire(outputs_[slot]);
  outputs_[slot].queue->clear();  // what waited was for this destination alone
}

void Realtime::setLinked(std::size_t slot, bool linked) {
  outputs_[slot].linked = linked;
}

void Realtime::relink(std::size_t slot) {
  outputs_[slot].linked = false;
  outputs_[slot].attempt.fetch_add(1);
}

bool Realtime::queueSend(std::size_t slot, std::span<const std::uint8_t> bytes) {
  if (bytes.empty() || bytes.size() > kLongestSend) return false;
  const OutHeader header{static_cast<std::uint8_t>(bytes.size())};
  return outputs_[slot].queue->push(&header, sizeof header, bytes.data(), bytes.size());
}

void Realtime::drainSends() {
  const auto deadline = std::chrono::steady_clock::now() + kQuiesceAtMost;
  const auto waiting = [this] {
    OutHeader header{};
    for (std::size_t i = 0; i < outputsUsed_.load(); ++i)
      if (outputs_[i].port.load() != nullptr && outputs_[i].queue->peek(&header, sizeof header)) return true;
    return false;
  };
  while (waiting() && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  const std::uint64_t seen = cycles_.load();
  while (busy_.load() && cycles_.load() == seen && std::chrono::steady_clock::now() < deadline)
    std::this_thread::yield();
}

void Realtime::readReceived(
    const std::function<bool(std::uint32_t tag, std::uint32_t lost, std::span<const std::uint8_t>)>& each) {
  std::uint64_t count = 0;
  [[maybe_unused]] const auto got = read(wake_, &count, sizeof count);
  std::vector<std::uint8_t> bytes;
  InHeader header{};
  while (received_.peek(&header, sizeof header)) {
    bytes.resize(header.size);
    received_.pop(nullptr, sizeof header);
    received_.pop(bytes.data(), header.size);
    if (!each(header.tag, header.lost, bytes)) return;
  }
}

}  // namespace jackmidi
