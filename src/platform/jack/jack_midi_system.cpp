// JACK MIDI for the engines (see the header): the MidiSystem operations over the session that
// jack_session.cpp keeps with the server. Received messages reach the main loop in one hop: the process
// callback queues their bytes and wakes the loop, which turns them into words for the receivers.
#include "platform/jack/jack_midi_system.h"

#include <algorithm>
#include <mutex>
#include <span>
#include <utility>

#include "platform/jack/jack_names.h"
#include "platform/jack/jack_session.h"
#include "platform/midi_wire.h"

namespace {

// JACK may append "-NN" to make a name unique; leave room for it.
constexpr std::size_t kUniqueSuffix = 4;

}  // namespace

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
  auto c = std::make_shared<Impl::Client>(std::move(setupChanged));
  c->jackName =
      jackmidi::clientName(name, static_cast<std::size_t>(jack_client_name_size()) - 1 - kUniqueSuffix);
  if (c->rt->wakeDescriptor() < 0) return 0;  // nothing could ever be received
  c->hooks.watchInput(impl_->loop, c->rt->wakeDescriptor(), [weak = std::weak_ptr<Impl::Client>(c)] {
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
  return impl_->queue(outputPort, destination, std::span(bytes.data.data(), bytes.size));
}

bool JackMidiSystem::sendSysex(MidiRef outputPort, MidiRef destination,
                               std::span<const std::uint8_t> message) {
  if (!midiWire::wholeSysex(message)) return false;
  const std::lock_guard lock(impl_->mutex);
  return impl_->queue(outputPort, destination, message);
}

void JackMidiSystem::prepare(MidiRef outputPort, MidiRef destination) {
  const std::lock_guard lock(impl_->mutex);
  impl_->linkedOutlet(outputPort, destination);
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
    impl_->droppedBefore += c->rt->droppedReceived();
    impl_->droppedSendsBefore += c->rt->droppedSends();
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

std::string JackMidiSystem::presence() {
  return online() ? "the JACK server answers: MIDI goes through it"
                  : "the JACK server went away: MIDI waits for it to come back";
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
    total += client->rt->droppedReceived();
  return total;
}

std::uint64_t JackMidiSystem::droppedSends() {
  const std::lock_guard lock(impl_->mutex);
  std::uint64_t total = impl_->droppedSendsBefore;
  for (const auto& [ref, client] : impl_->clients)
    total += client->rt->droppedSends();
  return total;
}
