// The JACK system's session with its server (see jack_session.h): opening and closing clients as the server
// comes and goes, our ports and their links, the listings, and the worker that follows the graph.
#include "platform/jack/jack_session.h"

#include <jack/midiport.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <utility>

#include "platform/jack/jack_names.h"
#include "platform/midi_wire.h"

namespace {

using Steady = std::chrono::steady_clock;

constexpr auto kRetryEvery = std::chrono::seconds(1);
constexpr const char* kWatcherName = "Orvane VUDA Verer watch";

}  // namespace

JackMidiSystem::Impl::Impl(Loop& mainLoop, std::string serverName)
    : loop(mainLoop), server(std::move(serverName)), news(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

JackMidiSystem::Impl::~Impl() {
  if (news >= 0) close(news);
}

void JackMidiSystem::Impl::wakeWorker() const {
  const std::uint64_t one = 1;
  [[maybe_unused]] const auto written = write(news, &one, sizeof one);
}

void JackMidiSystem::Impl::onGraph(void* arg) {
  auto& self = *static_cast<Impl*>(arg);
  self.graphChanged = true;
  self.wakeWorker();
}

int JackMidiSystem::Impl::onGraphOrder(void* arg) {
  onGraph(arg);  // JACK runs the new graph from now on: links made before are visible
  return 0;
}

void JackMidiSystem::Impl::onPort(jack_port_id_t, int, void* arg) {
  onGraph(arg);
}

void JackMidiSystem::Impl::onClient(const char*, int, void* arg) {
  onGraph(arg);
}

void JackMidiSystem::Impl::onConnect(jack_port_id_t, jack_port_id_t, int, void* arg) {
  onGraph(arg);
}

void JackMidiSystem::Impl::onRename(jack_port_id_t, const char*, const char*, void* arg) {
  onGraph(arg);
}

void JackMidiSystem::Impl::onShutdown(jack_status_t, const char*, void* arg) {
  auto& self = *static_cast<Impl*>(arg);
  self.shutDown = true;
  self.wakeWorker();
}

// ---------------------------------------------------------------------------------------------------------
// Opening and closing

jack_client_t* JackMidiSystem::Impl::openJack(const std::string& name) const {
  jack_status_t status{};
  const auto options = static_cast<jack_options_t>(JackNoStartServer | (server.empty() ? 0 : JackServerName));
  return server.empty() ? jack_client_open(name.c_str(), options, &status)
                        : jack_client_open(name.c_str(), options, &status, server.c_str());
}

// Without `mutex`: a failing open takes a while and must not hold up the callers.
bool JackMidiSystem::Impl::connect() {
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

bool JackMidiSystem::Impl::openClient(Client& c) {
  if (c.jack != nullptr) return true;
  if (!isOnline) return false;
  jack_client_t* j = openJack(c.jackName);
  if (j == nullptr) return false;
  jack_set_process_callback(j, jackmidi::Realtime::process, c.rt.get());
  jack_on_info_shutdown(j, onShutdown, this);
  c.rt->setHold(jack_get_sample_rate(j) / 2);
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
void JackMidiSystem::Impl::forgetSession(Client& c) {
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
void JackMidiSystem::Impl::teardown() {
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

// ---------------------------------------------------------------------------------------------------------
// Ports of ours

std::uint32_t JackMidiSystem::Impl::newTag() {
  if (nextTag == 0) nextTag = 1;
  return nextTag++;
}

std::string JackMidiSystem::Impl::uniquePortName(const Client& c, const std::string& wanted) const {
  const std::size_t limit = static_cast<std::size_t>(jack_port_name_size()) - 2 - jack_client_name_size();
  std::string name = midiWire::truncateUtf8(wanted, limit);
  for (int n = 2; c.portNames.count(name) != 0; ++n) {
    const std::string suffix = " (" + std::to_string(n) + ")";
    name = midiWire::truncateUtf8(wanted, limit - suffix.size()) + suffix;
  }
  return name;
}

template <std::size_t N>
std::size_t JackMidiSystem::Impl::takeSlot(std::array<bool, N>& slots) {
  for (std::size_t i = 0; i < N; ++i)
    if (!slots[i]) {
      slots[i] = true;
      return i;
    }
  return kNoSlot;
}

void JackMidiSystem::Impl::dropDelivery(Client& c, std::uint32_t tag) {
  const std::lock_guard lock(c.deliveriesMutex);
  c.deliveries.erase(tag);
}

// Registers the connection's JACK port and connects it when the source is there. False when the port could
// not be made or not be connected.
bool JackMidiSystem::Impl::openConnection(Client& c, const InputPort& in, MidiRef source,
                                          Connection& connection) {
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
  c.rt->publishInput(slot, port, connection.tag);
  const std::string& sourceName = nameByRef.at(source);
  connection.sourceSeen = isForeignMidi(c.jack, sourceName, JackPortIsOutput);
  return connection.sourceSeen && linkPorts(c.jack, sourceName.c_str(), jack_port_name(port));
}

void JackMidiSystem::Impl::releaseInput(Client& c, Connection& connection) {
  if (connection.slot != kNoSlot) {
    c.rt->retireInput(connection.slot);
    c.inputSlots[connection.slot] = false;
  }
  if (connection.port != nullptr && c.jack != nullptr) jack_port_unregister(c.jack, connection.port);
  connection.port = nullptr;
  connection.slot = kNoSlot;
  connection.tag = 0;
}

bool JackMidiSystem::Impl::openOutlet(Client& c, MidiRef destination, Outlet& outlet) {
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
  // Published before it is connected, so that it is cleared every cycle before anyone can read it.
  c.rt->publishOutput(slot, port);
  const std::string& destinationName = nameByRef.at(destination);
  outlet.destinationSeen = isForeignMidi(c.jack, destinationName, JackPortIsInput);
  return outlet.destinationSeen && linkPorts(c.jack, jack_port_name(port), destinationName.c_str());
}

void JackMidiSystem::Impl::releaseOutput(Client& c, Outlet& outlet) {
  if (outlet.slot != kNoSlot) {
    c.rt->retireOutput(outlet.slot);
    c.outputSlots[outlet.slot] = false;
  }
  outlet.port = nullptr;  // the port itself goes with its client
  outlet.slot = kNoSlot;
}

bool JackMidiSystem::Impl::linkPorts(jack_client_t* j, const char* from, const char* to) {
  const int result = jack_connect(j, from, to);
  return result == 0 || result == EEXIST;
}

JackMidiSystem::Impl::Outlet* JackMidiSystem::Impl::linkedOutlet(MidiRef outputPort, MidiRef destination) {
  const auto out = outputs.find(outputPort);
  if (out == outputs.end()) return nullptr;
  Client& c = *clients.at(out->second.client);
  const auto name = nameByRef.find(destination);
  if (c.jack == nullptr || name == nameByRef.end()) return nullptr;
  if (!isForeignMidi(c.jack, name->second, JackPortIsInput)) return nullptr;
  auto& outlets = out->second.outlets;
  auto found = outlets.find(destination);
  if (found == outlets.end()) {
    Outlet made;
    made.portName = uniquePortName(c, out->second.name + " → " + jackmidi::shortOf(name->second));
    c.portNames.insert(made.portName);
    found = outlets.emplace(destination, std::move(made)).first;
  }
  Outlet& outlet = found->second;
  // A port that could not be made, or a link that went, is tried again each time.
  if (outlet.port == nullptr) openOutlet(c, destination, outlet);
  if (outlet.port == nullptr) return nullptr;
  if (!jack_port_connected_to(outlet.port, name->second.c_str())) {
    c.rt->relink(outlet.slot);
    if (!linkPorts(c.jack, jack_port_name(outlet.port), name->second.c_str())) return nullptr;
  }
  return &outlet;
}

bool JackMidiSystem::Impl::queue(MidiRef outputPort, MidiRef destination,
                                 std::span<const std::uint8_t> bytes) {
  Outlet* outlet = linkedOutlet(outputPort, destination);
  return outlet != nullptr && clients.at(outputs.at(outputPort).client)->rt->queueSend(outlet->slot, bytes);
}

// ---------------------------------------------------------------------------------------------------------
// Listings

bool JackMidiSystem::Impl::isOurs(const std::string& fullName) const {
  const std::string client = jackmidi::clientOf(fullName);
  if (client == watcherName) return true;
  if (std::find(closingNames.begin(), closingNames.end(), client) != closingNames.end()) return true;
  return std::any_of(clients.begin(), clients.end(),
                     [&](const auto& entry) { return entry.second->actualName == client; });
}

// A MIDI port of another client, of the given direction, that exists now.
bool JackMidiSystem::Impl::isForeignMidi(jack_client_t* j, const std::string& fullName,
                                         unsigned long flag) const {
  if (j == nullptr || isOurs(fullName)) return false;
  const jack_port_t* port = jack_port_by_name(j, fullName.c_str());
  if (port == nullptr || (static_cast<unsigned long>(jack_port_flags(port)) & flag) == 0) return false;
  const char* type = jack_port_type(port);
  return type != nullptr && std::strcmp(type, JACK_DEFAULT_MIDI_TYPE) == 0;
}

MidiRef JackMidiSystem::Impl::refFor(const std::string& fullName) {
  const auto found = refByName.find(fullName);
  if (found != refByName.end()) return found->second;
  const MidiRef ref = nextRef++;
  refByName.emplace(fullName, ref);
  nameByRef.emplace(ref, fullName);
  return ref;
}

std::string JackMidiSystem::Impl::deviceOf(const std::string& fullName) const {
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
  if (auto device = jackmidi::deviceFromName(jackmidi::shortOf(fullName)); !device.empty()) return device;
  return jackmidi::clientOf(fullName);
}

// JACK walks its whole port table for a listing, which takes tens of milliseconds at times: only the worker
// does it, after each change, and the engines' listings read what it found.
void JackMidiSystem::Impl::scanMidiPorts() {
  for (auto& [flag, names] :
       {std::pair{JackPortIsOutput, &midiOutputs}, std::pair{JackPortIsInput, &midiInputs}}) {
    names->clear();
    if (const char** found = jack_get_ports(watcher, nullptr, JACK_DEFAULT_MIDI_TYPE, flag)) {
      for (std::size_t i = 0; found[i] != nullptr; ++i)
        names->emplace_back(found[i]);
      jack_free(found);
    }
  }
}

std::vector<MidiEndpoint> JackMidiSystem::Impl::list(unsigned long flag) {
  std::vector<MidiEndpoint> out;
  if (!isOnline || watcher == nullptr) return out;
  // A device's name comes from the port's aliases, read now: a bridge may set them after making the port.
  for (const auto& full : flag == JackPortIsOutput ? midiOutputs : midiInputs)
    if (!isOurs(full)) out.push_back({refFor(full), jackmidi::shortOf(full), deviceOf(full), false});
  return out;
}

// What the engines can see of the setup, plus the connections of our ports: a change in it is news.
std::string JackMidiSystem::Impl::currentSignature() {
  scanMidiPorts();
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
    const std::string client = jackmidi::clientOf(ports[i]);
    if (client == watcherName || std::none_of(clients.begin(), clients.end(),
                                              [&](const auto& e) { return e.second->actualName == client; }))
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

// ---------------------------------------------------------------------------------------------------------
// The worker

// After a graph change: reconnect what came back, retry clients that could not open, tell the process
// threads which of their output ports are linked. True when the setup the engines see changed.
bool JackMidiSystem::Impl::resync() {
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
        bool seen = isForeignMidi(c.jack, name, JackPortIsOutput);
        // JACK refuses a link to a port whose client is not active yet: such a source counts as unseen, and
        // the link is tried again at the next change or retry.
        if (seen && !connection.sourceSeen && connection.port != nullptr &&
            !linkPorts(c.jack, name.c_str(), jack_port_name(connection.port)))
          seen = all = false;
        connection.sourceSeen = seen;
      }
    for (const MidiRef out : c.outputs)
      for (auto& [destination, outlet] : outputs.at(out).outlets) {
        const std::string& name = nameByRef.at(destination);
        bool seen = isForeignMidi(c.jack, name, JackPortIsInput);
        if (outlet.port == nullptr) {
          outlet.destinationSeen = seen;
          continue;
        }
        if (seen && !outlet.destinationSeen) {
          c.rt->relink(outlet.slot);
          if (!linkPorts(c.jack, jack_port_name(outlet.port), name.c_str())) seen = all = false;
        }
        outlet.destinationSeen = seen;
        // What the graph JACK runs now says: the process thread reads only this.
        c.rt->setLinked(outlet.slot, seen && jack_port_connected_to(outlet.port, name.c_str()) != 0);
      }
  }
  wantsRetry = !all;
  std::string now = currentSignature();
  if (now == signature) return false;
  signature = std::move(now);
  return true;
}

// Without `mutex`: the callbacks may call back into the system.
void JackMidiSystem::Impl::notifyClients() {
  std::vector<std::shared_ptr<Client>> all;
  {
    const std::lock_guard lock(mutex);
    for (const auto& [ref, client] : clients)
      all.push_back(client);
  }
  for (const auto& client : all)
    client->hooks.setupChanged();
}

void JackMidiSystem::Impl::workerMain() {
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

// ---------------------------------------------------------------------------------------------------------
// The main loop's

// When the process thread says it queued bytes: each message, as words, to its receiver.
void JackMidiSystem::Impl::deliverReceived(Client& c) {
  std::vector<std::uint32_t> words;
  c.rt->readReceived([&](std::uint32_t tag, std::uint32_t lost, std::span<const std::uint8_t> bytes) {
    std::shared_ptr<MidiDelivery> delivery;
    {
      const std::lock_guard lock(c.deliveriesMutex);
      const auto found = c.deliveries.find(tag);
      if (found != c.deliveries.end()) delivery = found->second;
    }
    if (!delivery) return true;  // its connection went while the bytes waited
    if (lost > 0) delivery->lose(lost);
    if (!c.hooks.disposed() && !bytes.empty()) delivery->deliver(bytes, words);
    // A client disposed from its own receive delivers nothing more, whatever is still queued.
    return !c.hooks.disposed();
  });
}

// Without `mutex`.
void JackMidiSystem::Impl::dispose(const std::shared_ptr<Client>& c, jack_client_t* j) {
  c->hooks.dispose();
  if (j == nullptr) return;
  c->rt->drainSends();
  jack_client_close(j);
}
