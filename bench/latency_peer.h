// A JACK client that plays a controller towards the program and times its answers, in JACK frames and wall
// time; shared by the benchmarks that measure a round trip through JACK.
#pragma once

#include <jack/jack.h>
#include <jack/midiport.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "latency_figures.h"

namespace latency {

// The far side of the measurement, a JACK client of its own with an "out" port that sends one message every
// `spacing` frames, each at a random frame of its cycle as a controller's would be, and an "in" port that
// takes the first event heard after a message as that message's reply. It knows nothing about what it talks
// to, so the whole engine can be put between its two ports as well.
struct LatencyPeer {
  using Message = std::array<std::uint8_t, 3>;

  jack_client_t* client = nullptr;
  jack_port_t* out = nullptr;
  jack_port_t* in = nullptr;

  // Filled by start(), before the process callback may look; read back once done().
  std::vector<Message> messages;
  std::vector<jack_nframes_t> offsets;  // where in its cycle message k goes out
  jack_nframes_t spacing = 0;
  std::unique_ptr<std::atomic<std::int64_t>[]> sentFrame;   // frame at which message k went out
  std::unique_ptr<std::atomic<std::int64_t>[]> replyFrame;  // frame of its reply; -1 when none came
  std::unique_ptr<std::atomic<std::int64_t>[]> sentUs;      // jack_get_time() as it went out
  std::unique_ptr<std::atomic<std::int64_t>[]> replyUs;     // jack_get_time() as its reply was read
  std::atomic<bool> armed{false};
  std::atomic<std::size_t> sent{0};
  // Process thread only.
  std::int64_t current = -1;
  jack_nframes_t nextDue = 0;

  // On the named server, or the default one when `server` is empty.
  bool open(const std::string& name, const std::string& server = {}) {
    jack_status_t status{};
    client =
        server.empty()
            ? jack_client_open(name.c_str(), JackNoStartServer, &status)
            : jack_client_open(name.c_str(), static_cast<jack_options_t>(JackNoStartServer | JackServerName),
                               &status, server.c_str());
    if (client == nullptr) return false;
    out = jack_port_register(client, "out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
    in = jack_port_register(client, "in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
    jack_set_process_callback(client, process, this);
    return out != nullptr && in != nullptr && jack_activate(client) == 0;
  }
  ~LatencyPeer() {
    if (client != nullptr) jack_client_close(client);
  }

  std::string outName() const { return jack_port_name(out); }
  std::string inName() const { return jack_port_name(in); }
  jack_nframes_t rate() const { return jack_get_sample_rate(client); }
  jack_nframes_t period() const { return jack_get_buffer_size(client); }

  void start(std::vector<Message> list, jack_nframes_t spacingFrames) {
    messages = std::move(list);
    spacing = spacingFrames;
    std::mt19937 random(20240611);  // the same offsets on every run, so that runs compare
    std::uniform_int_distribution<jack_nframes_t> within(0, period() - 1);
    offsets.clear();
    for (std::size_t k = 0; k < messages.size(); ++k)
      offsets.push_back(within(random));
    sentFrame = std::make_unique<std::atomic<std::int64_t>[]>(messages.size());
    replyFrame = std::make_unique<std::atomic<std::int64_t>[]>(messages.size());
    sentUs = std::make_unique<std::atomic<std::int64_t>[]>(messages.size());
    replyUs = std::make_unique<std::atomic<std::int64_t>[]>(messages.size());
    for (std::size_t k = 0; k < messages.size(); ++k) {
      sentFrame[k] = -1;
      replyFrame[k] = -1;
      sentUs[k] = -1;
      replyUs[k] = -1;
    }
    armed = true;
  }
  bool finished() const { return armed && sent.load() == messages.size(); }

  static int process(jack_nframes_t frames, void* arg) {
    auto& self = *static_cast<LatencyPeer*>(arg);
    void* outBuffer = jack_port_get_buffer(self.out, frames);
    jack_midi_clear_buffer(outBuffer);
    if (!self.armed) return 0;
    const jack_nframes_t now = jack_last_frame_time(self.client);

    void* inBuffer = jack_port_get_buffer(self.in, frames);
    const std::uint32_t count = jack_midi_get_event_count(inBuffer);
    for (std::uint32_t e = 0; e < count && self.current >= 0; ++e) {
      jack_midi_event_t event;
      if (jack_midi_event_get(&event, inBuffer, e) != 0) continue;
      const auto k = static_cast<std::size_t>(self.current);
      if (self.replyFrame[k].load() >= 0) continue;
      self.replyFrame[k] = std::int64_t{now} + event.time;
      self.replyUs[k] = static_cast<std::int64_t>(jack_get_time());
    }

    const std::size_t next = self.sent.load();
    // Unsigned difference: frame times wrap.
    if (next < self.messages.size() && (next == 0 || static_cast<std::int32_t>(now - self.nextDue) >= 0)) {
      const Message& m = self.messages[next];
      const jack_nframes_t offset = std::min(self.offsets[next], frames - 1);
      jack_midi_event_write(outBuffer, offset, m.data(), m.size());
      self.sentFrame[next] = std::int64_t{now} + offset;
      self.sentUs[next] = static_cast<std::int64_t>(jack_get_time());
      self.current = static_cast<std::int64_t>(next);
      self.nextDue = now + self.spacing;
      self.sent = next + 1;
    }
    return 0;
  }
};

}  // namespace latency
