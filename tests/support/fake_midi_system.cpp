// The in-memory MIDI system (see the header).
#include "support/fake_midi_system.h"

#include <algorithm>

MidiRef FakeMidiSystem::add(std::vector<MidiEndpoint>& list, const std::string& name,
                            const std::string& device) {
  list.push_back({next_++, name, device, false});
  changed();
  return list.back().ref;
}

void FakeMidiSystem::addDevice(const std::string& name, bool offline) {
  devices_.push_back({name, offline});
  changed();
}

void FakeMidiSystem::remove(MidiRef endpoint) {
  const auto gone = [&](const MidiEndpoint& e) { return e.ref == endpoint; };
  std::erase_if(sources_, gone);
  std::erase_if(destinations_, gone);
  for (auto& [ref, port] : ports_)
    port.tokens.erase(endpoint);
  changed();
}

void FakeMidiSystem::setOffline(MidiRef endpoint, bool offline) {
  for (auto* list : {&sources_, &destinations_})
    for (auto& e : *list)
      if (e.ref == endpoint) e.offline = offline;
  changed();
}

void FakeMidiSystem::changed() {
  // Copied first: a client may dispose of itself from its handler.
  const auto handlers = clients_;
  for (const auto& [ref, handler] : handlers)
    if (handler) handler();
}

void FakeMidiSystem::deliver(MidiRef source, std::vector<std::uint32_t> words) {
  for (auto& [ref, port] : ports_) {
    const auto token = port.tokens.find(source);
    if (token != port.tokens.end() && port.receive) port.receive(token->second, words);
  }
}

void FakeMidiSystem::deliverLate(MidiRef source, std::vector<std::uint32_t> words) {
  const auto last = lastToken_.find(source);
  if (last == lastToken_.end()) return;
  const auto port = ports_.find(last->second.first);
  if (port != ports_.end() && port->second.receive) port->second.receive(last->second.second, words);
}

void FakeMidiSystem::lose(MidiRef source, std::uint64_t count) {
  for (auto& [ref, port] : ports_)
    if (port.tokens.count(source) > 0 && port.lost) port.lost(count);
}

void FakeMidiSystem::send3(MidiRef source, int status, int d1, int d2) {
  const auto type = status >= 0xF0 ? 0x10000000u : 0x20000000u;
  deliver(source, {type | static_cast<std::uint32_t>(status & 0xFF) << 16 |
                   static_cast<std::uint32_t>(d1 & 0x7F) << 8 | static_cast<std::uint32_t>(d2 & 0x7F)});
}

std::vector<FakeMidiSystem::Sent> FakeMidiSystem::sentTo(MidiRef destination) const {
  std::vector<Sent> out;
  for (const auto& s : sent)
    if (s.destination == destination) out.push_back({0, s.destination, s.status, s.d1, s.d2});
  return out;
}

bool FakeMidiSystem::connected(MidiRef source) const {
  return std::any_of(ports_.begin(), ports_.end(),
                     [&](const auto& p) { return p.second.tokens.count(source) > 0; });
}

MidiRef FakeMidiSystem::createClient(const std::string&, std::function<void()> setupChanged) {
  const auto ref = next_++;
  clients_[ref] = std::move(setupChanged);
  return ref;
}

MidiRef FakeMidiSystem::createInputPort(MidiRef client, const std::string& name, MidiReceive receive,
                                        MidiLost lost) {
  if (!clients_.count(client)) return 0;
  ports_[next_] = {client, name, std::move(receive), std::move(lost), {}};
  return next_++;
}

bool FakeMidiSystem::connectSource(MidiRef inputPort, MidiRef source, std::uint32_t token) {
  const auto port = ports_.find(inputPort);
  if (port == ports_.end() || unconnectable.count(source)) return false;
  port->second.tokens[source] = token;
  lastToken_[source] = {inputPort, token};
  ++connects;
  return true;
}

void FakeMidiSystem::disconnectSource(MidiRef inputPort, MidiRef source) {
  const auto port = ports_.find(inputPort);
  if (port == ports_.end()) return;
  port->second.tokens.erase(source);
  ++disconnects;
}

bool FakeMidiSystem::sendable(MidiRef outputPort, MidiRef destination) const {
  const auto port = ports_.find(outputPort);
  if (port == ports_.end() || port->second.receive) return false;
  return std::any_of(destinations_.begin(), destinations_.end(),
                     [&](const MidiEndpoint& d) { return d.ref == destination; });
}

bool FakeMidiSystem::send(MidiRef outputPort, MidiRef destination, std::uint32_t word) {
  if (!sendable(outputPort, destination)) return false;
  sent.push_back({clock_.now(), destination, static_cast<int>(word >> 16 & 0xFF),
                  static_cast<int>(word >> 8 & 0x7F), static_cast<int>(word & 0x7F)});
  return true;
}

bool FakeMidiSystem::sendSysex(MidiRef outputPort, MidiRef destination,
                               std::span<const std::uint8_t> message) {
  if (!sendable(outputPort, destination)) return false;
  sysex.push_back({destination, {message.begin(), message.end()}});
  return true;
}

void FakeMidiSystem::prepare(MidiRef outputPort, MidiRef destination) {
  if (sendable(outputPort, destination)) prepared.insert(destination);
}

void FakeMidiSystem::disposeClient(MidiRef client) {
  clients_.erase(client);
  std::erase_if(ports_, [&](const auto& p) { return p.second.client == client; });
}
