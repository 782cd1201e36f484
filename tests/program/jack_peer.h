// A JACK client of the test's own, standing for a controller, a DAW or a bystander: output ports that send
// what the test queues, input ports that keep what they hear, both handled in its process callback. Without
// ports it only looks at the graph: a port of its own would be a new source, which the program would start to
// listen to.
#pragma once

#include <jack/jack.h>
#include <jack/midiport.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/jack/jack_ring.h"

class JackPeer {
 public:
  using Bytes = std::vector<std::uint8_t>;

  // On the server named `server`, else on the default one.
  JackPeer(const std::string& wanted, const std::vector<std::string>& outputs,
           const std::vector<std::string>& inputs, const std::string& server = {})
      : heard_(inputs.size()) {
    jack_status_t status{};
    client_ = server.empty()
                  ? jack_client_open(wanted.c_str(), JackNoStartServer, &status)
                  : jack_client_open(wanted.c_str(),
                                     static_cast<jack_options_t>(JackNoStartServer | JackServerName), &status,
                                     server.c_str());
    if (client_ == nullptr) return;
    name_ = jack_get_client_name(client_);
    for (const auto& o : outputs)
      outs_.push_back(jack_port_register(client_, o.c_str(), JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0));
    for (const auto& i : inputs)
      ins_.push_back(jack_port_register(client_, i.c_str(), JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0));
    jack_set_process_callback(client_, process, this);
    jack_on_shutdown(
        client_, [](void* self) { static_cast<JackPeer*>(self)->gone_ = true; }, this);
    jack_set_xrun_callback(
        client_,
        [](void* self) {
          ++static_cast<JackPeer*>(self)->xruns_;
          return 0;
        },
        this);
    open_ = jack_activate(client_) == 0 && std::count(outs_.begin(), outs_.end(), nullptr) == 0 &&
            std::count(ins_.begin(), ins_.end(), nullptr) == 0;
  }
  // A client whose server died is left unclosed: closing it then can crash or hang inside libjack.
  ~JackPeer() {
    if (client_ != nullptr && !gone_) jack_client_close(client_);
  }
  JackPeer(const JackPeer&) = delete;
  JackPeer& operator=(const JackPeer&) = delete;

  jack_client_t* jack() const { return client_; }
  bool open() const { return open_; }
  bool gone() const { return gone_; }
  const std::string& name() const { return name_; }
  // Whether the output is connected in the graph JACK runs now, not merely asked for.
  bool linked(int out = 1) const { return jack_port_connected(outs_[static_cast<std::size_t>(out - 1)]) > 0; }
  // Whether the first output is linked to a port whose full name holds `part`; asked through this client,
  // since a jack_lsp per poll would add and remove a JACK client many times a second.
  bool linkedTo(const std::string& part) const {
    return !gone_ && anyHolds(jack_port_get_connections(outs_[0]), part);
  }
  // Whether any port on the server has a full name that holds `part`.
  bool portExists(const std::string& part) const {
    return client_ != nullptr && !gone_ && anyHolds(jack_get_ports(client_, nullptr, nullptr, 0), part);
  }

  // How many cycles the server ran late since this client opened: what a late cycle carried may be lost
  // inside JACK, before any client sees it.
  int xruns() const { return xruns_; }
  // How many messages went out, of those sent.
  std::size_t sent() const { return sent_; }
  bool send(int out, const Bytes& bytes) {
    if (bytes.size() > sizeof Out::bytes) return false;  // the record holds a channel message at most
    Out record{static_cast<std::uint8_t>(out - 1), static_cast<std::uint8_t>(bytes.size()), {}};
    std::copy(bytes.begin(), bytes.end(), record.bytes);
    return toSend_.push(&record, sizeof record);
  }
  std::vector<Bytes> heard(int in = 1) {
    In head{};
    while (received_.peek(&head, sizeof head)) {
      Bytes bytes(head.size);
      received_.pop(nullptr, sizeof head);
      received_.pop(bytes.data(), head.size);
      heard_[head.port].push_back(std::move(bytes));
    }
    return heard_[static_cast<std::size_t>(in - 1)];
  }

 private:
  struct Out {
    std::uint8_t port, size, bytes[3];
  };
  struct In {
    std::uint8_t port, size;
  };

  // Whether one of the names JACK listed holds `part`; the list is freed.
  static bool anyHolds(const char** names, const std::string& part) {
    bool found = false;
    for (const char** n = names; n != nullptr && *n != nullptr; ++n)
      found = found || std::string(*n).find(part) != std::string::npos;
    jack_free(names);
    return found;
  }
  static int process(jack_nframes_t frames, void* arg) {
    auto& self = *static_cast<JackPeer*>(arg);
    for (jack_port_t* port : self.outs_)
      jack_midi_clear_buffer(jack_port_get_buffer(port, frames));
    Out out{};
    while (self.toSend_.pop(&out, sizeof out))
      if (jack_midi_event_write(jack_port_get_buffer(self.outs_[out.port], frames), 0, out.bytes, out.size) ==
          0)
        ++self.sent_;
    for (std::size_t i = 0; i < self.ins_.size(); ++i) {
      void* buffer = jack_port_get_buffer(self.ins_[i], frames);
      for (std::uint32_t e = 0; e < jack_midi_get_event_count(buffer); ++e) {
        jack_midi_event_t event;
        if (jack_midi_event_get(&event, buffer, e) != 0 || event.size > 255) continue;
        const In head{static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(event.size)};
        self.received_.push(&head, sizeof head, event.buffer, event.size);
      }
    }
    return 0;
  }

  jack_client_t* client_ = nullptr;
  std::string name_;
  std::vector<jack_port_t*> outs_;
  std::vector<jack_port_t*> ins_;
  jackmidi::Ring toSend_{1 << 14};
  jackmidi::Ring received_{1 << 16};
  std::vector<std::vector<Bytes>> heard_;
  std::atomic<std::size_t> sent_{0};
  std::atomic<bool> gone_{false};
  std::atomic<int> xruns_{0};
  bool open_ = false;
};
