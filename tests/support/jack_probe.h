// A look inside libjack for the JACK backend's tests, through the linker's --wrap (see tests/CMakeLists.txt):
// which graph questions a process callback asks, and closing a client while a test holds the close back.
#pragma once

#include <string>

namespace jackprobe {

// How many times a process callback asked jack_port_connected or jack_port_connected_to, so far. Such a
// question takes a lock that other threads of PipeWire's JACK layer hold: a real-time thread must not ask it.
int graphQuestionsInProcess();

// How many times this thread had JACK walk its port table (jack_get_ports), which can take tens of
// milliseconds: the main loop must not wait for it.
int portScansOnThisThread();

// While one exists, jack_port_connected_to answers "not connected" for the port named `name`, as if JACK
// never applied a link to it.
class HiddenLinks {
 public:
  explicit HiddenLinks(const std::string& name);
  ~HiddenLinks();
  HiddenLinks(const HiddenLinks&) = delete;
  HiddenLinks& operator=(const HiddenLinks&) = delete;
};

// While one exists, every jack_client_close runs the client's process callback once more before it closes,
// as JACK's process thread may until then; and until release(), each close waits before it does so.
class HeldCloses {
 public:
  HeldCloses();
  ~HeldCloses();
  HeldCloses(const HeldCloses&) = delete;
  HeldCloses& operator=(const HeldCloses&) = delete;

  // Whether a close is waiting.
  bool waiting() const;
  void release();
};

}  // namespace jackprobe
