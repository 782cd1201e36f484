// A controller on JACK: a client with one MIDI output port that plays the three-byte messages a test hands
// it, all in its next process cycle and in order. jack_midiseq plays notes only; a controller sends CCs too.
#pragma once

#include <jack/jack.h>
#include <jack/midiport.h>
#include <jack/ringbuffer.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

class JackController {
 public:
  using Message = std::array<std::uint8_t, 3>;

  JackController(const std::string& client, const std::string& port) {
    jack_status_t status{};
    client_ = jack_client_open(client.c_str(), JackNoStartServer, &status);
    // Without a port name, a client that only looks at the graph: a port of its own would be a new source,
    // which the program would start to listen to.
    if (client_ == nullptr || port.empty()) return;
    port_ = jack_port_register(client_, port.c_str(), JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
    jack_set_process_callback(client_, process, this);
    jack_on_shutdown(
        client_, [](void* self) { static_cast<JackController*>(self)->gone_ = true; }, this);
    if (port_ == nullptr || jack_activate(client_) != 0) port_ = nullptr;
  }
  // A client whose server died is left unclosed: closing it then can crash or hang inside libjack.
  ~JackController() {
    if (client_ != nullptr && !gone_) jack_client_close(client_);
    jack_ringbuffer_free(ring_);
  }
  JackController(const JackController&) = delete;
  JackController& operator=(const JackController&) = delete;

  bool open() const { return port_ != nullptr; }
  bool looking() const { return client_ != nullptr; }
  bool gone() const { return gone_; }
  // Whether the port is linked to a port whose full name contains `part`; asked through this client, since
  // a jack_lsp per poll would add and remove a JACK client many times a second.
  bool linkedTo(const std::string& part) const {
    return anyHolds(port_ != nullptr && !gone_ ? jack_port_get_connections(port_) : nullptr, part);
  }
  // Whether any port on the server has a full name that contains `part`.
  bool portExists(const std::string& part) const {
    return anyHolds(client_ != nullptr && !gone_ ? jack_get_ports(client_, nullptr, nullptr, 0) : nullptr,
                    part);
  }
  // Whether someone has connected to the port in the graph JACK runs now.
  bool heard() const { return jack_port_connected(port_) > 0; }
  // One write, which the process thread sees whole or not at all, so the messages share a cycle.
  bool play(const std::vector<Message>& messages) {
    const auto size = messages.size() * sizeof(Message);
    return jack_ringbuffer_write(ring_, reinterpret_cast<const char*>(messages.data()), size) == size;
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
  static int process(jack_nframes_t frames, void* arg) {
    auto& self = *static_cast<JackController*>(arg);
    void* buffer = jack_port_get_buffer(self.port_, frames);
    jack_midi_clear_buffer(buffer);
    Message m;
    while (jack_ringbuffer_read_space(self.ring_) >= m.size()) {
      jack_ringbuffer_read(self.ring_, reinterpret_cast<char*>(m.data()), m.size());
      jack_midi_event_write(buffer, 0, m.data(), m.size());
    }
    return 0;
  }

  jack_ringbuffer_t* ring_ = jack_ringbuffer_create(4096);
  jack_client_t* client_ = nullptr;
  jack_port_t* port_ = nullptr;
  std::atomic<bool> gone_{false};
};
