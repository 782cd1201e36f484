// JACK MIDI for the engines: a port-less watching client for the listings and graph news, one JACK client per
// engine client, process callbacks that only move bytes between port buffers and lock-free queues and wake
// the main loop, which turns the bytes into UMP words, and a worker that follows the graph and the server.
#include "platform/jack/jack_midi_system.h"

#include <jack/jack.h>
#include <jack/midiport.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <map>
#include <mutex>
#include <set>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/jack/jack_ring.h"
#include "platform/midi_delivery.h"
#include "platform/midi_wire.h"

// ---------------------------------------------------------------------------------------------------------
// Pure helpers

namespace jackmidi {

std::string clientName(std::string_view wanted, std::size_t limit) {
  std::string out;
  for (std::size_t i = 0; i < wanted.size(); ++i) {
    if (wanted[i] != ':') {
      out += wanted[i];
    } else if (i + 1 < wanted.size() && wanted[i + 1] == ' ' && !out.empty() && out.back() != ' ') {
      out += " -";
    } else {
      out += '-';
    }
  }
  return midiWire::truncateUtf8(std::move(out), limit);
}

std::string deviceFromName(std::string_view name) {
  constexpr std::string_view bridge = "alsa_pcm:";
  if (name.substr(0, bridge.size()) == bridge) {
    const std::string_view rest = name.substr(bridge.size());
    const std::size_t slash = rest.find('/');
    return slash != std::string_view::npos && slash > 0 ? std::string(rest.substr(0, slash)) : std::string();
  }
  // a2jmidid: "<device> [<ALSA client id>] (capture|playback): <port>", perhaps after "a2j:".
  for (std::size_t at = name.find(" ["); at != std::string_view::npos; at = name.find(" [", at + 1)) {
    std::size_t i = at + 2;
    const std::size_t digits = i;
    while (i < name.size() && name[i] >= '0' && name[i] <= '9')
      ++i;
    if (i == digits) continue;
    const std::string_view tail = name.substr(i);
    if (tail.substr(0, 12) != "] (capture):" && tail.substr(0, 13) != "] (playback):") continue;
    std::string_view device = name.substr(0, at);
    if (device.substr(0, 4) == "a2j:") device.remove_prefix(4);
    return std::string(device);
  }
  return {};
}

std::string deviceFromAliases(const std::vector<std::string>& aliases) {
  const auto sequencer = [](const std::string& alias) { return alias.rfind("alsa:seq:", 0) == 0; };
  if (std::any_of(aliases.begin(), aliases.end(), sequencer))
    for (const auto& alias : aliases)
      if (const std::size_t colon = alias.find(':');
          !sequencer(alias) && colon != std::string::npos && colon > 0)
        return alias.substr(0, colon);
  for (const auto& alias : aliases)
    if (auto device = deviceFromName(alias); !device.empty()) return device;
  return {};
}

}  // namespace jackmidi

// ---------------------------------------------------------------------------------------------------------
// What the process callback sees

namespace {

using Steady = std::chrono::steady_clock;

constexpr std::size_t kMaxInputs = 256;
constexpr std::size_t kMaxOutputs = 256;
constexpr std::size_t kNoSlot = static_cast<std::size_t>(-1);
// Room for about a second of a busy controller, or a few large SysEx dumps.
constexpr std::size_t kReceivedBytes = std::size_t{1} << 16;
// Each destination's queue: a thousand messages waiting for their cycle.
constexpr std::size_t kSendBytes = std::size_t{1} << 12;
constexpr auto kRetryEvery = std::chrono::seconds(1);
// A cycle in progress ends within microseconds; this only bounds the wait if the process thread is stuck.
constexpr auto kQuiesceAtMost = std::chrono::milliseconds(200);
constexpr const char* kWatcherName = "Orvane VUDA Verer watch";
// JACK may append "-NN" to make a name unique; leave room for it.
constexpr std::size_t kUniqueSuffix = 4;

// Ahead of each received message. `lost` counts the connection's messages dropped just before it, for want of
// room; a header of size 0 carries only such a count.
struct InHeader {
  std::uint32_t tag;
  std::uint32_t size;
  std::uint32_t lost;
};

struct OutRecord {
  std::uint8_t size;
  std::uint8_t bytes[3];
};

// A port as the process thread sees it. For an input port, the tag names the connection it is for, so that
// bytes that outlive it are recognised and dropped.
struct RtPort {
  std::atomic<jack_port_t*> port{nullptr};
  std::atomic<std::uint32_t> tag{0};
};

// An output port as the process thread sees it: the queue of what is sent to its destination, and whether the
// graph JACK runs links it there. The worker keeps `linked` up to date from the graph callbacks, so that the
// process thread never asks JACK (PipeWire's JACK layer answers such questions under a lock).
struct RtOutput : RtPort {
  std::unique_ptr<jackmidi::Ring> queue;  // made before the port is published; cleared when it is retired
  std::atomic<bool> linked{false};
  // Bumped at each attempt to link it, so that its bytes wait for the link afresh.
  std::atomic<std::uint32_t> attempt{0};
};

struct Realtime {
  Realtime() : wake(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}
  ~Realtime() {
    if (wake >= 0) close(wake);
  }
  Realtime(const Realtime&) = delete;
  Realtime& operator=(const Realtime&) = delete;

  std::array<RtPort, kMaxInputs> inputs;
  std::array<RtOutput, kMaxOutputs> outputs;
  // How many slots have ever been used: the process callback looks no further.
  std::atomic<std::size_t> inputsUsed{0};
  std::atomic<std::size_t> outputsUsed{0};
  jackmidi::Ring received{kReceivedBytes};  // process thread → main loop
  // Set for the length of each process cycle, so that a port can be retired without a lock.
  std::atomic<bool> busy{false};
  std::atomic<std::uint64_t> cycles{0};
  std::atomic<std::uint64_t> dropped{0};
  std::atomic<std::uint64_t> droppedSends{0};
  // How long bytes for an output port wait for JACK to apply its connection before they are dropped.
  std::atomic<jack_nframes_t> holdFrames{24000};
  // Made readable by the process thread when it queued received bytes; the main loop watches it. A write to
  // an eventfd is one system call that never blocks, which a real-time thread may make.
  int wake;

  // Process thread only.
  std::array<std::uint64_t, kMaxOutputs> outWaited{};
  std::array<std::uint32_t, kMaxOutputs> outAttempts{};
  std::array<std::uint32_t, kMaxInputs> inLost{};  // dropped and not yet told, for the connection of inTags
  std::array<std::uint32_t, kMaxInputs> inTags{};
};

int process(jack_nframes_t frames, void* arg) {
  auto& rt = *static_cast<Realtime*>(arg);
  rt.busy.store(true);

  // Each destination has its own queue: one whose link JACK has not applied yet holds back no other.
  const jack_nframes_t hold = rt.holdFrames.load();
  const std::size_t outs = rt.outputsUsed.load();
  for (std::size_t i = 0; i < outs; ++i) {
    RtOutput& out = rt.outputs[i];
    jack_port_t* port = out.port.load();
    if (port == nullptr) continue;
    void* buffer = jack_port_get_buffer(port, frames);
    if (buffer == nullptr) continue;
    // An output buffer keeps last cycle's events unless it is cleared.
    jack_midi_clear_buffer(buffer);
    jackmidi::Ring& queue = *out.queue;
    if (const std::uint32_t attempt = out.attempt.load(); attempt != rt.outAttempts[i]) {
      rt.outAttempts[i] = attempt;
      rt.outWaited[i] = 0;
    }
    OutRecord record{};
    if (!out.linked.load()) {
      // Written now, the bytes would go nowhere. They wait, in order, for the link; one that never comes
      // drops them, and says so.
      if (!queue.peek(&record, sizeof record)) continue;
      rt.outWaited[i] += frames;
      if (rt.outWaited[i] <= hold) continue;
      while (queue.pop(&record, sizeof record))
        rt.droppedSends.fetch_add(1, std::memory_order_relaxed);
      continue;
    }
    rt.outWaited[i] = 0;
    while (queue.peek(&record, sizeof record)) {
      if (jack_midi_event_write(buffer, 0, record.bytes, record.size) != 0)
        break;  // this cycle's buffer is full: the rest goes next cycle, in order
      queue.pop(nullptr, sizeof record);
    }
  }

  bool wrote = false;
  const std::size_t ins = rt.inputsUsed.load();
  for (std::size_t i = 0; i < ins; ++i) {
    jack_port_t* port = rt.inputs[i].port.load();
    if (port == nullptr) continue;
    const std::uint32_t tag = rt.inputs[i].tag.load();
    if (rt.inTags[i] != tag) rt.inLost[i] = 0;  // a new connection: the old one's losses went with it
    rt.inTags[i] = tag;
    // Losses are told in order, ahead of what came after them, as soon as there is room again.
    if (rt.inLost[i] > 0) {
      const InHeader lost{tag, 0, rt.inLost[i]};
      if (rt.received.push(&lost, sizeof lost)) {
        rt.inLost[i] = 0;
        wrote = true;
      }
    }
    void* buffer = jack_port_get_buffer(port, frames);
    if (buffer == nullptr) continue;
    const std::uint32_t count = jack_midi_get_event_count(buffer);
    for (std::uint32_t e = 0; e < count; ++e) {
      jack_midi_event_t event;
      if (jack_midi_event_get(&event, buffer, e) != 0 || event.size == 0) continue;
      const InHeader header{tag, static_cast<std::uint32_t>(event.size), rt.inLost[i]};
      if (rt.received.push(&header, sizeof header, event.buffer, event.size)) {
        rt.inLost[i] = 0;
        wrote = true;
      } else {
        ++rt.inLost[i];
        rt.dropped.fetch_add(1, std::memory_order_relaxed);
      }
    }
  }
  if (wrote) {
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto written = write(rt.wake, &one, sizeof one);
  }

  rt.cycles.fetch_add(1);
  rt.busy.store(false);
  return 0;
}

// Takes a port away from the process thread and returns once no cycle can still be using it.
void retire(Realtime& rt, RtPort& slot) {
  slot.port.store(nullptr);
  const std::uint64_t seen = rt.cycles.load();
  if (!rt.busy.load()) return;
  const auto deadline = Steady::now() + kQuiesceAtMost;
  while (rt.busy.load() && rt.cycles.load() == seen && Steady::now() < deadline)
    std::this_thread::yield();
}

void publish(RtPort& slot, std::atomic<std::size_t>& used, std::size_t index, jack_port_t* port,
             std::uint32_t tag = 0) {
  slot.tag.store(tag);
  slot.port.store(port);
  std::size_t was = used.load();
  while (was < index + 1 && !used.compare_exchange_weak(was, index + 1)) {
  }
}

std::string clientOf(const std::string& fullName) {
  return fullName.substr(0, fullName.find(':'));
}

std::string shortOf(const std::string& fullName) {
  const std::size_t colon = fullName.find(':');
  return colon == std::string::npos ? fullName : fullName.substr(colon + 1);
}

}  // namespace

// ---------------------------------------------------------------------------------------------------------
// The system

struct JackMidiSystem::Impl {
  // One source connected to an input port: a JACK input port of ours, connected to that source alone.
  struct Connection {
    std::uint32_t token = 0;
    std::string portName;
    jack_port_t* port = nullptr;
    std::size_t slot = kNoSlot;
    std::uint32_t tag = 0;
    bool sourceSeen = false;  // the source was there at the last look: its return gets reconnected
  };

  struct InputPort {
    MidiRef client = 0;
    std::string name;
    std::shared_ptr<const MidiReceive> receive;
    std::shared_ptr<const MidiLost> lost;
    std::map<MidiRef, Connection> connections;  // by source
  };

  // One destination sent to from an output port: a JACK output port of ours, connected to it alone.
  struct Outlet {
    std::string portName;
    jack_port_t* port = nullptr;
    std::size_t slot = kNoSlot;
    bool destinationSeen = false;
  };

  struct OutputPort {
    MidiRef client = 0;
    std::string name;
    std::map<MidiRef, Outlet> outlets;  // by destination
  };

  struct Client {
    MidiRef ref = 0;
    std::string jackName;
    jack_client_t* jack = nullptr;  // null while the server is away or it could not be opened
    std::string actualName;
    std::unique_ptr<Realtime> rt = std::make_unique<Realtime>();
    std::array<bool, kMaxInputs> inputSlots{};
    std::array<bool, kMaxOutputs> outputSlots{};
    std::set<std::string> portNames;  // ours, so that two never collide
    std::vector<MidiRef> inputs;
    std::vector<MidiRef> outputs;

    // Held while setupChanged runs, so that once disposeClient has taken it no call is in flight.
    std::recursive_mutex callbackMutex;
    bool alive = true;
    std::function<void()> setupChanged;

    std::mutex deliveriesMutex;
    std::unordered_map<std::uint32_t, std::shared_ptr<MidiDelivery>> deliveries;  // by tag
    // Main loop only: its watch of `rt->wake`, and whether it was disposed (perhaps from its own receive).
    TaskHandle watch;
    bool disposed = false;
  };

  Impl(Loop& mainLoop, std::string serverName) : loop(mainLoop), server(std::move(serverName)) {}
  ~Impl() {
    if (news >= 0) close(news);
  }
  Impl(const Impl&) = delete;
  Impl& operator=(const Impl&) = delete;

  Loop& loop;
  std::string server;

  // Everything below, up to the events, is guarded by `mutex`, which the process callbacks never take.
  std::mutex mutex;
  jack_client_t* watcher = nullptr;
  std::string watcherName;
  bool isOnline = false;
  std::map<MidiRef, std::shared_ptr<Client>> clients;
  std::map<MidiRef, InputPort> inputs;
  std::map<MidiRef, OutputPort> outputs;
  std::unordered_map<std::string, MidiRef> refByName;
  std::unordered_map<MidiRef, std::string> nameByRef;
  MidiRef nextRef = 1;
  std::uint32_t nextTag = 1;
  std::string signature;
  std::uint64_t droppedBefore = 0;  // dropped counts of disposed clients
  std::uint64_t droppedSendsBefore = 0;
  // Clients being closed outside the lock: their ports stay ours until they are gone.
  std::vector<std::string> closingNames;

  // News from JACK's threads for the worker: flags, and an eventfd that wakes it. JACK may call the shutdown
  // callback from a signal handler, so the callbacks only store to lock-free atomics and write to the
  // eventfd, both safe there.
  int news = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  std::atomic<bool> graphChanged{false};
  std::atomic<bool> shutDown{false};
  std::atomic<bool> stopping{false};
  std::atomic<bool> wantsRetry{true};
  std::thread worker;

  // --- JACK callbacks: they only raise a flag for the worker.

  void wakeWorker() const {
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto written = write(news, &one, sizeof one);
  }
  static void onGraph(void* arg) {
    auto& self = *static_cast<Impl*>(arg);
    self.graphChanged = true;
    self.wakeWorker();
  }
  static int onGraphOrder(void* arg) {
    onGraph(arg);  // JACK runs the new graph from now on: links made before are visible
    return 0;
  }
  static void onPort(jack_port_id_t, int, void* arg) { onGraph(arg); }
  static void onClient(const char*, int, void* arg) { onGraph(arg); }
  static void onConnect(jack_port_id_t, jack_port_id_t, int, void* arg) { onGraph(arg); }
  static void onRename(jack_port_id_t, const char*, const char*, void* arg) { onGraph(arg); }
  static void onShutdown(jack_status_t, const char*, void* arg) {
    auto& self = *static_cast<Impl*>(arg);
    self.shutDown = true;
    self.wakeWorker();
  }

  // --- Opening and closing (with `mutex` held unless said otherwise).

  jack_client_t* openJack(const std::string& name) const {
    jack_status_t status{};
    const auto options =
        static_cast<jack_options_t>(JackNoStartServer | (server.empty() ? 0 : JackServerName));
    return server.empty() ? jack_client_open(name.c_str(), options, &status)
                          : jack_client_open(name.c_str(), options, &status, server.c_str());
  }

  // Without `mutex`: a failing open takes a while and must not hold up the callers.
  bool connect() {
    jack_client_t* w = openJack(kWatcherName);
    if (w == nullptr) return false;
    jack_set_port_registration_callback(w, onPort, this);
    jack_set_client_registration_callback(w, onClient, this);
    jack_set_port_connect_callback(w, onConnect, this);
    jack_set_port_rename_callback(w, onRename, this);
    jack_set_graph_order_callback(w, onGraphOrder, this);
    jack_on_info_shutdown(w, onShutdown, this);
    if (jack_activate(w) != 0) {
      jack_client_close(w);
      return false;
    }
    const std::lock_guard lock(mutex);
    watcher = w;
    watcherName = jack_get_client_name(w);
    isOnline = true;
    bool all = true;
    for (auto& [ref, client] : clients)
      all = openClient(*client) && all;
    wantsRetry = !all;
    signature = currentSignature();
    return true;
  }

  bool openClient(Client& c) {
    if (c.jack != nullptr) return true;
    if (!isOnline) return false;
    jack_client_t* j = openJack(c.jackName);
    if (j == nullptr) return false;
    jack_set_process_callback(j, process, c.rt.get());
    jack_on_info_shutdown(j, onShutdown, this);
    c.rt->holdFrames = jack_get_sample_rate(j) / 2;
    if (jack_activate(j) != 0) {
      jack_client_close(j);
      return false;
    }
    c.jack = j;
    c.actualName = jack_get_client_name(j);
    for (const MidiRef in : c.inputs) {
      auto& port = inputs.at(in);
      for (auto& [source, connection] : port.connections)
        openConnection(c, port, source, connection);
    }
    for (const MidiRef out : c.outputs)
      for (auto& [destination, outlet] : outputs.at(out).outlets)
        openOutlet(c, destination, outlet);
    return true;
  }

  // Forgets a session's JACK objects without talking to its server; the caller closes the JACK client.
  void forgetSession(Client& c) {
    c.jack = nullptr;
    c.actualName.clear();
    for (const MidiRef in : c.inputs)
      for (auto& [source, connection] : inputs.at(in).connections) {
        dropDelivery(c, connection.tag);
        releaseInput(c, connection);
      }
    for (const MidiRef out : c.outputs)
      for (auto& [destination, outlet] : outputs.at(out).outlets)
        releaseOutput(c, outlet);
  }

  // Without `mutex`: closing clients of a dead server may take a while.
  void teardown() {
    jack_client_t* oldWatcher = nullptr;
    // Each with its JACK handle: an engine may dispose of the client meanwhile, but JACK's process thread may
    // use it until its handle is closed.
    std::vector<std::pair<std::shared_ptr<Client>, jack_client_t*>> closing;
    {
      const std::lock_guard lock(mutex);
      isOnline = false;
      wantsRetry = true;
      oldWatcher = std::exchange(watcher, nullptr);
      watcherName.clear();
      for (auto& [ref, client] : clients) {
        if (client->jack != nullptr) closing.emplace_back(client, client->jack);
        forgetSession(*client);
      }
    }
    if (oldWatcher != nullptr) jack_client_close(oldWatcher);
    for (auto& [client, j] : closing)
      jack_client_close(j);
    closing.clear();
    // Every shutdown notice so far came from the clients just closed.
    shutDown = false;
  }

  // --- Ports of ours.

  std::uint32_t newTag() {
    if (nextTag == 0) nextTag = 1;
    return nextTag++;
  }

  std::string uniquePortName(Client& c, const std::string& wanted) const {
    const std::size_t limit = static_cast<std::size_t>(jack_port_name_size()) - 2 - jack_client_name_size();
    std::string name = midiWire::truncateUtf8(wanted, limit);
    for (int n = 2; c.portNames.count(name) != 0; ++n) {
      const std::string suffix = " (" + std::to_string(n) + ")";
      name = midiWire::truncateUtf8(wanted, limit - suffix.size()) + suffix;
    }
    return name;
  }

  template <std::size_t N>
  static std::size_t takeSlot(std::array<bool, N>& slots) {
    for (std::size_t i = 0; i < N; ++i)
      if (!slots[i]) {
        slots[i] = true;
        return i;
      }
    return kNoSlot;
  }

  void dropDelivery(Client& c, std::uint32_t tag) {
    const std::lock_guard lock(c.deliveriesMutex);
    c.deliveries.erase(tag);
  }

  // Registers the connection's JACK port and connects it when the source is there. False when the port
  // could not be made or not be connected.
  bool openConnection(Client& c, const InputPort& in, MidiRef source, Connection& connection) {
    if (c.jack == nullptr) return false;
    const std::size_t slot = takeSlot(c.inputSlots);
    if (slot == kNoSlot) return false;
    jack_port_t* port =
        jack_port_register(c.jack, connection.portName.c_str(), JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
    if (port == nullptr) {
      c.inputSlots[slot] = false;
      return false;
    }
    connection.port = port;
    connection.slot = slot;
    connection.tag = newTag();
    auto delivery = std::make_shared<MidiDelivery>();
    delivery->token = connection.token;
    delivery->receive = in.receive;
    delivery->lost = in.lost;
    {
      const std::lock_guard lock(c.deliveriesMutex);
      c.deliveries[connection.tag] = std::move(delivery);
    }
    publish(c.rt->inputs[slot], c.rt->inputsUsed, slot, port, connection.tag);
    const std::string& sourceName = nameByRef.at(source);
    connection.sourceSeen = isForeignMidi(c.jack, sourceName, JackPortIsOutput);
    return connection.sourceSeen && linkPorts(c.jack, sourceName.c_str(), jack_port_name(port));
  }

  void releaseInput(Client& c, Connection& connection) {
    if (connection.slot != kNoSlot) {
      retire(*c.rt, c.rt->inputs[connection.slot]);
      c.inputSlots[connection.slot] = false;
    }
    if (connection.port != nullptr && c.jack != nullptr) jack_port_unregister(c.jack, connection.port);
    connection.port = nullptr;
    connection.slot = kNoSlot;
    connection.tag = 0;
  }

  bool openOutlet(Client& c, MidiRef destination, Outlet& outlet) {
    if (c.jack == nullptr) return false;
    const std::size_t slot = takeSlot(c.outputSlots);
    if (slot == kNoSlot) return false;
    jack_port_t* port =
        jack_port_register(c.jack, outlet.portName.c_str(), JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
    if (port == nullptr) {
      c.outputSlots[slot] = false;
      return false;
    }
    outlet.port = port;
    outlet.slot = slot;
    RtOutput& out = c.rt->outputs[slot];
    if (!out.queue) out.queue = std::make_unique<jackmidi::Ring>(kSendBytes);
    out.linked = false;
    out.attempt.fetch_add(1);
    // Published before it is connected, so that it is cleared every cycle before anyone can read it.
    publish(out, c.rt->outputsUsed, slot, port);
    const std::string& destinationName = nameByRef.at(destination);
    outlet.destinationSeen = isForeignMidi(c.jack, destinationName, JackPortIsInput);
    return outlet.destinationSeen && linkPorts(c.jack, jack_port_name(port), destinationName.c_str());
  }

  void releaseOutput(Client& c, Outlet& outlet) {
    if (outlet.slot != kNoSlot) {
      RtOutput& out = c.rt->outputs[outlet.slot];
      retire(*c.rt, out);
      out.queue->clear();  // what waited was for this destination alone
      c.outputSlots[outlet.slot] = false;
    }
    outlet.port = nullptr;  // the port itself goes with its client
    outlet.slot = kNoSlot;
  }

  static bool linkPorts(jack_client_t* j, const char* from, const char* to) {
    const int result = jack_connect(j, from, to);
    return result == 0 || result == EEXIST;
  }

  // --- Listings.

  bool isOurs(const std::string& fullName) const {
    const std::string client = clientOf(fullName);
    if (client == watcherName) return true;
    if (std::find(closingNames.begin(), closingNames.end(), client) != closingNames.end()) return true;
    return std::any_of(clients.begin(), clients.end(),
                       [&](const auto& entry) { return entry.second->actualName == client; });
  }

  // A MIDI port of another client, of the given direction, that exists now.
  bool isForeignMidi(jack_client_t* j, const std::string& fullName, unsigned long flag) const {
    if (j == nullptr || isOurs(fullName)) return false;
    const jack_port_t* port = jack_port_by_name(j, fullName.c_str());
    if (port == nullptr || (static_cast<unsigned long>(jack_port_flags(port)) & flag) == 0) return false;
    const char* type = jack_port_type(port);
    return type != nullptr && std::strcmp(type, JACK_DEFAULT_MIDI_TYPE) == 0;
  }

  MidiRef refFor(const std::string& fullName) {
    const auto found = refByName.find(fullName);
    if (found != refByName.end()) return found->second;
    const MidiRef ref = nextRef++;
    refByName.emplace(fullName, ref);
    nameByRef.emplace(ref, fullName);
    return ref;
  }

  std::string deviceOf(const std::string& fullName) const {
    if (const jack_port_t* port = jack_port_by_name(watcher, fullName.c_str())) {
      const auto size = static_cast<std::size_t>(jack_port_name_size());
      std::vector<char> first(size, '\0');
      std::vector<char> second(size, '\0');
      char* const aliases[2] = {first.data(), second.data()};
      const int count = jack_port_get_aliases(port, aliases);
      std::vector<std::string> texts;
      for (int i = 0; i < count && i < 2; ++i) {
        aliases[i][size - 1] = '\0';
        texts.emplace_back(aliases[i]);
      }
      if (auto device = jackmidi::deviceFromAliases(texts); !device.empty()) return device;
    }
    if (auto device = jackmidi::deviceFromName(shortOf(fullName)); !device.empty()) return device;
    return clientOf(fullName);
  }

  std::vector<MidiEndpoint> list(unsigned long flag) {
    std::vector<MidiEndpoint> out;
    if (!isOnline || watcher == nullptr) return out;
    const char** names = jack_get_ports(watcher, nullptr, JACK_DEFAULT_MIDI_TYPE, flag);
    if (names == nullptr) return out;
    for (std::size_t i = 0; names[i] != nullptr; ++i) {
      const std::string full = names[i];
      if (isOurs(full)) continue;
      out.push_back({refFor(full), shortOf(full), deviceOf(full), false});
    }
    jack_free(names);
    return out;
  }

  // What the engines can see of the setup, plus the connections of our ports: a change in it is news.
  std::string currentSignature() {
    std::string out;
    for (const auto flag : {JackPortIsOutput, JackPortIsInput}) {
      for (const auto& e : list(flag))
        out += std::to_string(e.ref) + '\t' + e.device + '\n';
      out += '|';
    }
    // All ports, matched by name here: a client name may hold characters that mean something in a pattern.
    const char** ports = jack_get_ports(watcher, nullptr, nullptr, 0);
    if (ports == nullptr) return out;
    for (std::size_t i = 0; ports[i] != nullptr; ++i) {
      const std::string client = clientOf(ports[i]);
      if (client == watcherName || std::none_of(clients.begin(), clients.end(), [&](const auto& e) {
            return e.second->actualName == client;
          }))
        continue;
      out += ports[i];
      if (const jack_port_t* port = jack_port_by_name(watcher, ports[i])) {
        if (const char** links = jack_port_get_all_connections(watcher, port)) {
          for (std::size_t k = 0; links[k] != nullptr; ++k)
            out += std::string(" > ") + links[k];
          jack_free(links);
        }
      }
      out += '\n';
    }
    jack_free(ports);
    return out;
  }

  // After a graph change: reconnect what came back, retry clients that could not open, tell the process
  // threads which of their output ports are linked. True when the setup the engines see changed.
  bool resync() {
    const std::lock_guard lock(mutex);
    if (!isOnline) return false;
    bool all = true;
    for (auto& [ref, client] : clients) {
      Client& c = *client;
      if (!openClient(c)) {
        all = false;
        continue;
      }
      for (const MidiRef in : c.inputs)
        for (auto& [source, connection] : inputs.at(in).connections) {
          const std::string& name = nameByRef.at(source);
          const bool seen = isForeignMidi(c.jack, name, JackPortIsOutput);
          if (seen && !connection.sourceSeen && connection.port != nullptr)
            linkPorts(c.jack, name.c_str(), jack_port_name(connection.port));
          connection.sourceSeen = seen;
        }
      for (const MidiRef out : c.outputs)
        for (auto& [destination, outlet] : outputs.at(out).outlets) {
          const std::string& name = nameByRef.at(destination);
          const bool seen = isForeignMidi(c.jack, name, JackPortIsInput);
          if (outlet.port == nullptr) {
            outlet.destinationSeen = seen;
            continue;
          }
          RtOutput& rtOut = c.rt->outputs[outlet.slot];
          if (seen && !outlet.destinationSeen) {
            rtOut.attempt.fetch_add(1);
            linkPorts(c.jack, jack_port_name(outlet.port), name.c_str());
          }
          outlet.destinationSeen = seen;
          // What the graph JACK runs now says: the process thread reads only this.
          rtOut.linked = seen && jack_port_connected_to(outlet.port, name.c_str()) != 0;
        }
    }
    wantsRetry = !all;
    std::string now = currentSignature();
    if (now == signature) return false;
    signature = std::move(now);
    return true;
  }

  // Without `mutex`: the callbacks may call back into the system.
  void notifyClients() {
    std::vector<std::shared_ptr<Client>> all;
    {
      const std::lock_guard lock(mutex);
      for (const auto& [ref, client] : clients)
        all.push_back(client);
    }
    for (const auto& client : all) {
      const std::lock_guard lock(client->callbackMutex);
      if (!client->alive || !client->setupChanged) continue;
      try {
        client->setupChanged();
      } catch (...) {
        // A failing listener must not end the worker: the others still need to hear.
      }
    }
  }

  void workerMain() {
    auto nextAttempt = Steady::now() + kRetryEvery;
    while (!stopping) {
      if (!shutDown && !graphChanged) {
        int timeout = -1;
        if (wantsRetry)
          timeout = static_cast<int>(std::max<std::int64_t>(
              0, std::chrono::ceil<std::chrono::milliseconds>(nextAttempt - Steady::now()).count()));
        pollfd wake{news, POLLIN, 0};
        poll(&wake, 1, timeout);
        std::uint64_t count = 0;
        [[maybe_unused]] const auto got = read(news, &count, sizeof count);
      }
      if (stopping) break;
      const bool shut = shutDown.exchange(false);
      const bool graph = graphChanged.exchange(false);

      bool changed = false;
      if (shut) {
        teardown();
        changed = true;
        // A server on its way out may still accept clients for a moment: give it time to go.
        nextAttempt = Steady::now() + kRetryEvery;
      }
      const bool due = Steady::now() >= nextAttempt;
      bool onlineNow = false;
      {
        const std::lock_guard guard(mutex);
        onlineNow = isOnline;
      }
      if (!onlineNow) {
        if (due) {
          if (connect()) changed = true;
          nextAttempt = Steady::now() + kRetryEvery;
        }
      } else if (graph || (wantsRetry && due)) {
        if (resync()) changed = true;
        if (due) nextAttempt = Steady::now() + kRetryEvery;
      }
      if (changed) notifyClients();
    }
  }

  // On the main loop, when the process thread says it queued bytes: each message, as words, to its receiver.
  static void deliverReceived(Client& c) {
    Realtime& rt = *c.rt;
    std::uint64_t count = 0;
    [[maybe_unused]] const auto got = read(rt.wake, &count, sizeof count);
    std::vector<std::uint8_t> bytes;
    std::vector<std::uint32_t> words;
    InHeader header{};
    while (rt.received.peek(&header, sizeof header)) {
      bytes.resize(header.size);
      rt.received.pop(nullptr, sizeof header);
      rt.received.pop(bytes.data(), header.size);
      std::shared_ptr<MidiDelivery> delivery;
      {
        const std::lock_guard lock(c.deliveriesMutex);
        const auto found = c.deliveries.find(header.tag);
        if (found != c.deliveries.end()) delivery = found->second;
      }
      if (!delivery) continue;  // its connection went while the bytes waited
      if (header.lost > 0) delivery->lose(header.lost);
      if (!c.disposed && header.size > 0) delivery->deliver(bytes, words);
      // A client disposed from its own receive delivers nothing more, whatever is still queued.
      if (c.disposed) return;
    }
  }

  // Without `mutex`.
  void dispose(const std::shared_ptr<Client>& c, jack_client_t* j) {
    {
      const std::lock_guard lock(c->callbackMutex);
      c->alive = false;
    }
    if (j != nullptr) jack_client_close(j);
    c->disposed = true;
    if (c->watch) c->watch->cancel();
  }
};

// ---------------------------------------------------------------------------------------------------------

JackMidiSystem::JackMidiSystem(Loop& loop, const std::string& server)
    : impl_(std::make_unique<Impl>(loop, server)) {
  // libjack prints several lines for every failed attempt to reach a server, and the worker tries every
  // second while there is none. What matters reaches the engines' trace through `about` and their status.
  static std::once_flag quiet;
  std::call_once(quiet, [] {
    jack_set_error_function([](const char*) {});
    jack_set_info_function([](const char*) {});
  });
  // One attempt here, so that the listings are right from the start; the worker keeps trying after that.
  impl_->connect();
  try {
    impl_->worker = std::thread([impl = impl_.get()] { impl->workerMain(); });
  } catch (...) {
    // Without a worker the system still works; it only stops noticing changes.
  }
}

JackMidiSystem::~JackMidiSystem() {
  impl_->stopping = true;
  impl_->wakeWorker();
  if (impl_->worker.joinable()) impl_->worker.join();
  std::vector<MidiRef> all;
  {
    const std::lock_guard lock(impl_->mutex);
    for (const auto& [ref, client] : impl_->clients)
      all.push_back(ref);
  }
  for (const MidiRef ref : all)
    disposeClient(ref);
  if (impl_->watcher != nullptr) jack_client_close(impl_->watcher);
}

std::vector<MidiEndpoint> JackMidiSystem::sources() {
  const std::lock_guard lock(impl_->mutex);
  return impl_->list(JackPortIsOutput);
}

std::vector<MidiEndpoint> JackMidiSystem::destinations() {
  const std::lock_guard lock(impl_->mutex);
  return impl_->list(JackPortIsInput);
}

std::vector<MidiDevice> JackMidiSystem::devices() {
  const std::lock_guard lock(impl_->mutex);
  std::vector<MidiDevice> out;
  for (const auto flag : {JackPortIsOutput, JackPortIsInput})
    for (const auto& e : impl_->list(flag))
      if (std::none_of(out.begin(), out.end(), [&](const MidiDevice& d) { return d.name == e.device; }))
        out.push_back({e.device, false});
  return out;
}

MidiRef JackMidiSystem::createClient(const std::string& name, std::function<void()> setupChanged) {
  auto c = std::make_shared<Impl::Client>();
  c->jackName =
      jackmidi::clientName(name, static_cast<std::size_t>(jack_client_name_size()) - 1 - kUniqueSuffix);
  c->setupChanged = std::move(setupChanged);
  if (c->rt->wake < 0) return 0;  // nothing could ever be received
  c->watch = impl_->loop.watch(c->rt->wake, [weak = std::weak_ptr<Impl::Client>(c)] {
    if (const auto client = weak.lock()) Impl::deliverReceived(*client);
  });
  const std::lock_guard lock(impl_->mutex);
  c->ref = impl_->nextRef++;
  impl_->clients.emplace(c->ref, c);
  if (impl_->isOnline && !impl_->openClient(*c)) impl_->wantsRetry = true;
  return c->ref;
}

MidiRef JackMidiSystem::createInputPort(MidiRef client, const std::string& name, MidiReceive receive,
                                        MidiLost lost) {
  const std::lock_guard lock(impl_->mutex);
  const auto found = impl_->clients.find(client);
  if (found == impl_->clients.end()) return 0;
  const MidiRef ref = impl_->nextRef++;
  impl_->inputs.emplace(ref, Impl::InputPort{client,
                                             name,
                                             std::make_shared<const MidiReceive>(std::move(receive)),
                                             std::make_shared<const MidiLost>(std::move(lost)),
                                             {}});
  found->second->inputs.push_back(ref);
  return ref;
}

MidiRef JackMidiSystem::createOutputPort(MidiRef client, const std::string& name) {
  const std::lock_guard lock(impl_->mutex);
  const auto found = impl_->clients.find(client);
  if (found == impl_->clients.end()) return 0;
  const MidiRef ref = impl_->nextRef++;
  impl_->outputs.emplace(ref, Impl::OutputPort{client, name, {}});
  found->second->outputs.push_back(ref);
  return ref;
}

bool JackMidiSystem::connectSource(MidiRef inputPort, MidiRef source, std::uint32_t token) {
  const std::lock_guard lock(impl_->mutex);
  const auto in = impl_->inputs.find(inputPort);
  if (in == impl_->inputs.end()) return false;
  Impl::Client& c = *impl_->clients.at(in->second.client);
  const auto name = impl_->nameByRef.find(source);
  if (c.jack == nullptr || name == impl_->nameByRef.end()) return false;
  auto& connections = in->second.connections;
  if (const auto old = connections.find(source); old != connections.end()) {
    if (old->second.token == token && old->second.port != nullptr &&
        jack_port_connected_to(old->second.port, name->second.c_str()))
      return true;
    impl_->dropDelivery(c, old->second.tag);
    impl_->releaseInput(c, old->second);
    c.portNames.erase(old->second.portName);
    connections.erase(old);
  }
  if (!impl_->isForeignMidi(c.jack, name->second, JackPortIsOutput)) return false;
  Impl::Connection connection;
  connection.token = token;
  connection.portName = impl_->uniquePortName(c, in->second.name + " " + std::to_string(token));
  if (!impl_->openConnection(c, in->second, source, connection)) {
    impl_->dropDelivery(c, connection.tag);
    impl_->releaseInput(c, connection);
    return false;
  }
  c.portNames.insert(connection.portName);
  connections.emplace(source, std::move(connection));
  return true;
}

void JackMidiSystem::disconnectSource(MidiRef inputPort, MidiRef source) {
  const std::lock_guard lock(impl_->mutex);
  const auto in = impl_->inputs.find(inputPort);
  if (in == impl_->inputs.end()) return;
  const auto found = in->second.connections.find(source);
  if (found == in->second.connections.end()) return;
  Impl::Client& c = *impl_->clients.at(in->second.client);
  impl_->dropDelivery(c, found->second.tag);
  impl_->releaseInput(c, found->second);
  c.portNames.erase(found->second.portName);
  in->second.connections.erase(found);
}

bool JackMidiSystem::send(MidiRef outputPort, MidiRef destination, std::uint32_t word) {
  const midiWire::Bytes bytes = midiWire::wordBytes(word);
  if (bytes.size == 0) return false;
  const std::lock_guard lock(impl_->mutex);
  const auto out = impl_->outputs.find(outputPort);
  if (out == impl_->outputs.end()) return false;
  Impl::Client& c = *impl_->clients.at(out->second.client);
  const auto name = impl_->nameByRef.find(destination);
  if (c.jack == nullptr || name == impl_->nameByRef.end()) return false;
  if (!impl_->isForeignMidi(c.jack, name->second, JackPortIsInput)) return false;

  auto& outlets = out->second.outlets;
  auto found = outlets.find(destination);
  if (found == outlets.end()) {
    Impl::Outlet made;
    made.portName = impl_->uniquePortName(c, out->second.name + " → " + shortOf(name->second));
    c.portNames.insert(made.portName);
    found = outlets.emplace(destination, std::move(made)).first;
  }
  Impl::Outlet& outlet = found->second;
  // A port that could not be made, or a link that went, is tried again on every send.
  if (outlet.port == nullptr) impl_->openOutlet(c, destination, outlet);
  if (outlet.port == nullptr) return false;
  RtOutput& rtOut = c.rt->outputs[outlet.slot];
  if (!jack_port_connected_to(outlet.port, name->second.c_str())) {
    rtOut.linked = false;
    rtOut.attempt.fetch_add(1);
    if (!Impl::linkPorts(c.jack, jack_port_name(outlet.port), name->second.c_str())) return false;
  }

  OutRecord record{};
  record.size = static_cast<std::uint8_t>(bytes.size);
  std::copy(bytes.data.begin(), bytes.data.end(), record.bytes);
  return rtOut.queue->push(&record, sizeof record);
}

void JackMidiSystem::disposeClient(MidiRef client) {
  std::shared_ptr<Impl::Client> c;
  jack_client_t* j = nullptr;
  {
    const std::lock_guard lock(impl_->mutex);
    const auto found = impl_->clients.find(client);
    if (found == impl_->clients.end()) return;
    c = found->second;
    impl_->clients.erase(found);
    for (const MidiRef in : c->inputs)
      impl_->inputs.erase(in);
    for (const MidiRef out : c->outputs)
      impl_->outputs.erase(out);
    c->inputs.clear();
    c->outputs.clear();
    j = std::exchange(c->jack, nullptr);
    if (j != nullptr) impl_->closingNames.push_back(c->actualName);
    impl_->droppedBefore += c->rt->dropped.load();
    impl_->droppedSendsBefore += c->rt->droppedSends.load();
  }
  impl_->dispose(c, j);
  if (j != nullptr) {
    const std::lock_guard lock(impl_->mutex);
    auto& closing = impl_->closingNames;
    if (const auto at = std::find(closing.begin(), closing.end(), c->actualName); at != closing.end())
      closing.erase(at);
  }
}

bool JackMidiSystem::online() {
  const std::lock_guard lock(impl_->mutex);
  return impl_->isOnline;
}

std::string JackMidiSystem::jackClientName(MidiRef client) {
  const std::lock_guard lock(impl_->mutex);
  const auto found = impl_->clients.find(client);
  return found == impl_->clients.end() ? std::string() : found->second->actualName;
}

std::uint64_t JackMidiSystem::droppedEvents() {
  const std::lock_guard lock(impl_->mutex);
  std::uint64_t total = impl_->droppedBefore;
  for (const auto& [ref, client] : impl_->clients)
    total += client->rt->dropped.load();
  return total;
}

std::uint64_t JackMidiSystem::droppedSends() {
  const std::lock_guard lock(impl_->mutex);
  std::uint64_t total = impl_->droppedSendsBefore;
  for (const auto& [ref, client] : impl_->clients)
    total += client->rt->droppedSends.load();
  return total;
}
