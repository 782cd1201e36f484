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
#include <mutex>
#include <string>
#include <tuple>
#include <vector>

class JackPeer {
 public:
  using Bytes = std::vector<std::uint8_t>;

  // On the server named `server`, else on the default one.
  JackPeer(const std::string& wanted, const std::vector<std::string>& outputs,
           const std::vector<std::string>& inputs, const std::string& server = {})
      : heard_(inputs.size()) {
    const auto options =
        static_cast<jack_options_t>(JackNoStartServer | (server.empty() ? 0 : JackServerName));
    client_ = jack_client_open(wanted.c_str(), options, nullptr, server.c_str());
    if (client_ == nullptr) return;
    name_ = jack_get_client_name(client_);
    for (const auto& [names, ports, flags] :
         {std::tuple{&outputs, &outs_, JackPortIsOutput}, std::tuple{&inputs, &ins_, JackPortIsInput}})
      for (const auto& n : *names)
        ports->push_back(jack_port_register(client_, n.c_str(), JACK_DEFAULT_MIDI_TYPE, flags, 0));
    jack_set_process_callback(client_, process, this);
    jack_on_shutdown(
        client_, [](void* self) { static_cast<JackPeer*>(self)->gone_ = true; }, this);
    jack_set_xrun_callback(
        client_, [](void* self) { return ++static_cast<JackPeer*>(self)->xruns_, 0; }, this);
    jack_set_port_connect_callback(
        client_,
        [](jack_port_id_t a, jack_port_id_t b, int, void* arg) {
          auto& self = *static_cast<JackPeer*>(arg);
          for (const jack_port_id_t id : {a, b})
            if (const jack_port_t* port = jack_port_by_id(self.client_, id);
                port != nullptr && jack_port_is_mine(self.client_, port)) {
              ++self.linkChanges_;
              return;
            }
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
  // How many times a port of its own was connected or disconnected since it opened.
  int linkChanges() const { return linkChanges_; }
  // How many messages went out, of those sent.
  std::size_t sent() const { return sent_; }
  bool send(int out, const Bytes& bytes) {
    const std::lock_guard lock(mutex_);
    toSend_.emplace_back(out - 1, bytes);
    return true;
  }
  std::vector<Bytes> heard(int in = 1) {
    const std::lock_guard lock(mutex_);
    return heard_[static_cast<std::size_t>(in - 1)];
  }

 private:
  // Whether one of the names JACK listed holds `part`; the list is freed.
  static bool anyHolds(const char** names, const std::string& part) {
    bool found = false;
    for (const char** n = names; n != nullptr && *n != nullptr; ++n)
      found = found || std::string(*n).find(part) != std::string::npos;
    jack_free(names);
    return found;
  }
  // A test's peer, not a real-time one: it may wait for the test to let go of what they share.
  static int process(jack_nframes_t frames, void* arg) {
    auto& self = *static_cast<JackPeer*>(arg);
    const std::lock_guard lock(self.mutex_);
    for (jack_port_t* port : self.outs_)
      jack_midi_clear_buffer(jack_port_get_buffer(port, frames));
    for (const auto& [out, bytes] : self.toSend_)
      if (jack_midi_event_write(jack_port_get_buffer(self.outs_[out], frames), 0, bytes.data(),
                                bytes.size()) == 0)
        ++self.sent_;
    self.toSend_.clear();
    for (std::size_t i = 0; i < self.ins_.size(); ++i) {
      void* buffer = jack_port_get_buffer(self.ins_[i], frames);
      jack_midi_event_t event;
      for (std::uint32_t e = 0; jack_midi_event_get(&event, buffer, e) == 0; ++e)
        self.heard_[i].emplace_back(event.buffer, event.buffer + event.size);
    }
    return 0;
  }

  jack_client_t* client_ = nullptr;
  std::string name_;
  std::vector<jack_port_t*> outs_, ins_;
  std::mutex mutex_;
  std::vector<std::pair<std::size_t, Bytes>> toSend_;
  std::vector<std::vector<Bytes>> heard_;
  std::atomic<std::size_t> sent_{0};
  std::atomic<bool> gone_{false};
  std::atomic<int> xruns_{0};
  std::atomic<int> linkChanges_{0};
  bool open_ = false;
};
