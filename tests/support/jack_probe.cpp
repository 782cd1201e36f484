// The libjack wrappers behind jackprobe (see the header). Every other client of the test binary goes through
// them too, unchanged while nothing is held.
#include "support/jack_probe.h"

#include <jack/jack.h>

#include <atomic>
#include <condition_variable>
#include <map>
#include <mutex>
#include <string>

extern "C" {
int __real_jack_set_process_callback(jack_client_t* client, JackProcessCallback callback, void* arg);
int __real_jack_port_connected(const jack_port_t* port);
int __real_jack_port_connected_to(const jack_port_t* port, const char* name);
int __real_jack_client_close(jack_client_t* client);
const char** __real_jack_get_ports(jack_client_t* client, const char* name, const char* type,
                                   unsigned long flags);
}

namespace {

using Callback = std::pair<JackProcessCallback, void*>;

thread_local bool inProcess = false;
thread_local int portScans = 0;
std::atomic<int> questions{0};

std::mutex mutex;
std::condition_variable changed;
std::map<jack_client_t*, Callback> callbacks;
std::string hidden;    // a port whose links are not seen
bool probing = false;  // closes run one more cycle
bool holding = false;  // and wait first
int waiting = 0;

int traced(jack_nframes_t frames, void* arg) {
  const auto& [callback, callbackArg] = *static_cast<const Callback*>(arg);
  inProcess = true;
  const int result = callback(frames, callbackArg);
  inProcess = false;
  return result;
}

// Closes run one more cycle of their client while `probe`, and wait first while `hold`.
void setCloses(bool probe, bool hold) {
  const std::lock_guard lock(mutex);
  probing = probe;
  holding = hold;
  changed.notify_all();
}

}  // namespace

extern "C" {

int __wrap_jack_set_process_callback(jack_client_t* client, JackProcessCallback callback, void* arg) {
  const std::lock_guard lock(mutex);
  return __real_jack_set_process_callback(client, traced, &(callbacks[client] = {callback, arg}));
}

const char** __wrap_jack_get_ports(jack_client_t* client, const char* name, const char* type,
                                   unsigned long flags) {
  ++portScans;
  return __real_jack_get_ports(client, name, type, flags);
}

int __wrap_jack_port_connected(const jack_port_t* port) {
  if (inProcess) ++questions;
  return __real_jack_port_connected(port);
}

int __wrap_jack_port_connected_to(const jack_port_t* port, const char* name) {
  if (inProcess) ++questions;
  {
    const std::lock_guard lock(mutex);
    if (!hidden.empty() && hidden == name) return 0;
  }
  return __real_jack_port_connected_to(port, name);
}

int __wrap_jack_client_close(jack_client_t* client) {
  Callback last;
  {
    std::unique_lock lock(mutex);
    if (holding) {
      ++waiting;
      changed.wait(lock, [] { return !holding; });
      --waiting;
    }
    if (const auto found = callbacks.find(client); probing && found != callbacks.end()) last = found->second;
  }
  if (last.first != nullptr) last.first(64, last.second);
  const int result = __real_jack_client_close(client);
  // Only now: until the close returns, JACK's process thread may still call through the entry.
  const std::lock_guard lock(mutex);
  callbacks.erase(client);
  return result;
}

}  // extern "C"

namespace jackprobe {

int graphQuestionsInProcess() {
  return questions;
}

int portScansOnThisThread() {
  return portScans;
}

HiddenLinks::HiddenLinks(const std::string& name) {
  const std::lock_guard lock(mutex);
  hidden = name;
}

HiddenLinks::~HiddenLinks() {
  const std::lock_guard lock(mutex);
  hidden.clear();
}

HeldCloses::HeldCloses() {
  setCloses(true, true);
}

HeldCloses::~HeldCloses() {
  setCloses(false, false);
}

bool HeldCloses::waiting() const {
  const std::lock_guard lock(mutex);
  return ::waiting > 0;
}

void HeldCloses::release() {
  setCloses(true, false);
}

}  // namespace jackprobe
