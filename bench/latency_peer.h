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
// keeps every event it hears. Each message is expected to bring one reply, in order; pairReplies() matches
// them. It knows nothing about what it talks to, so the whole engine can be put between its two ports.
struct LatencyPeer {
  using Message = std::array<std::uint8_t, 3>;

  jack_client_t* client = nullptr;
  jack_port_t* out = nullptr;
  jack_port_t* in = nullptr;

  // Filled by start(), before the process callback may look; read back once done().
  std::vector<Message> messages;
  std::vector<jack_nframes_t> offsets;  // where in its cycle message k goes out
  jack_nframes_t spacing = 0;
  std::unique_ptr<std::atomic<std::int64_t>[]> sentFrame;  // frame at which message k went out
  std::unique_ptr<std::atomic<std::int64_t>[]> sentUs;     // jack_get_time() as it went out
  // Every event heard, in order: its frame, and jack_get_time() as it was read.
  std::unique_ptr<std::atomic<std::int64_t>[]> heardFrame;
  std::unique_ptr<std::atomic<std::int64_t>[]> heardUs;
  std::size_t heardRoom = 0;
  std::atomic<std::size_t> heard{0};
  std::atomic<bool> armed{false};
  std::atomic<std::size_t> sent{0};
  // Cycles JACK reported late (xruns) since start(): a message or a reply in one may be dropped.
  std::atomic<int> xruns{0};
  // Filled by pairReplies(): the frame and time of message k's reply, -1 when it has none.
  std::vector<std::int64_t> replyFrame;
  std::vector<std::int64_t> replyUs;
  // Process thread only.
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
    jack_set_xrun_callback(
        client,
        [](void* arg) {
          auto& self = *static_cast<LatencyPeer*>(arg);
          if (self.armed) ++self.xruns;
          return 0;
        },
        this);
    return out != nullptr && in != nullptr && jack_activate(client) == 0;
  }
  ~LatencyPeer() {
    if (client != nullptr) jack_client_close(client);
  }

  std::string outName() const { return jack_port_name(out); }
  std::string inName() const { return jack_port_name(in); }
  jack_nframes_t rate() const { return jack_get_sample_rate(client); }
  jack_nframes_t period() const { return jack_get_buffer_size(client); }

  // The same `seed` gives the same offsets on every run, so that runs compare.
  void start(std::vector<Message> list, jack_nframes_t spacingFrames, std::uint32_t seed = 20240611) {
    messages = std::move(list);
    spacing = spacingFrames;
    std::mt19937 random(seed);
    std::uniform_int_distribution<jack_nframes_t> within(0, period() - 1);
    offsets.clear();
    for (std::size_t k = 0; k < messages.size(); ++k)
      offsets.push_back(within(random));
    sentFrame = std::make_unique<std::atomic<std::int64_t>[]>(messages.size());
    sentUs = std::make_unique<std::atomic<std::int64_t>[]>(messages.size());
    heardRoom = 2 * messages.size() + 16;
    heardFrame = std::make_unique<std::atomic<std::int64_t>[]>(heardRoom);
    heardUs = std::make_unique<std::atomic<std::int64_t>[]>(heardRoom);
    for (std::size_t k = 0; k < messages.size(); ++k)
      sentFrame[k] = sentUs[k] = -1;
    armed = true;
  }

  // Once finished: as many replies as messages pair up in order, however late each came. Otherwise a reply
  // belongs to the last message sent before it, and a message with none was lost. Answers how many were lost.
  std::size_t pairReplies() {
    const std::size_t n = messages.size();
    const std::size_t count = std::min(heard.load(), heardRoom);
    replyFrame.assign(n, -1);
    replyUs.assign(n, -1);
    std::size_t j = 0;
    while (j < count && n > 0 && heardFrame[j] < sentFrame[0])
      ++j;  // an answer to something sent before the first message
    if (count - j == n) {
      for (std::size_t k = 0; k < n; ++k, ++j) {
        replyFrame[k] = heardFrame[j];
        replyUs[k] = heardUs[j];
      }
    } else {
      for (std::size_t k = 0; j < count; ++j) {
        while (k + 1 < n && heardFrame[j] >= sentFrame[k + 1])
          ++k;
        if (replyFrame[k] >= 0) continue;  // a second reply to one message
        replyFrame[k] = heardFrame[j];
        replyUs[k] = heardUs[j];
      }
    }
    return static_cast<std::size_t>(std::count(replyFrame.begin(), replyFrame.end(), -1));
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
    for (std::uint32_t e = 0; e < count; ++e) {
      jack_midi_event_t event;
      const std::size_t at = self.heard.load();
      if (at >= self.heardRoom || jack_midi_event_get(&event, inBuffer, e) != 0) continue;
      self.heardFrame[at] = std::int64_t{now} + event.time;
      self.heardUs[at] = static_cast<std::int64_t>(jack_get_time());
      self.heard = at + 1;
    }

    const std::size_t next = self.sent.load();
    // Unsigned difference: frame times wrap.
    if (next < self.messages.size() && (next == 0 || static_cast<std::int32_t>(now - self.nextDue) >= 0)) {
      const Message& m = self.messages[next];
      const jack_nframes_t offset = std::min(self.offsets[next], frames - 1);
      jack_midi_event_write(outBuffer, offset, m.data(), m.size());
      self.sentFrame[next] = std::int64_t{now} + offset;
      self.sentUs[next] = static_cast<std::int64_t>(jack_get_time());
      self.nextDue = now + self.spacing;
      self.sent = next + 1;
    }
    return 0;
  }
};

}  // namespace latency
