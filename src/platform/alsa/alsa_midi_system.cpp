// The ALSA sequencer for the engines: a watching client that lists the other clients' ports and hears the
// system's announcements on a thread of its own, and one sequencer client per engine client whose input the
// main loop reads as soon as the sequencer's descriptors say there is some.
#include "platform/alsa/alsa_midi_system.h"

#include <alsa/asoundlib.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include "platform/alsa/seq_pump.h"
#include "platform/midi_client_hooks.h"
#include "platform/midi_delivery.h"
#include "platform/midi_wire.h"

namespace {

constexpr const char* kWatcherName = "Orvane VUDA Verer watch";
// Client and port names hold 64 bytes with the terminator.
constexpr std::size_t kNameLimit = 63;
// Newer headers name these; the kernel sets them on UMP devices whatever the headers say. An endpoint port
// carries every group at once, so listing it beside the group ports would deliver each message twice.
constexpr unsigned kCapInactive = 1u << 8;
constexpr unsigned kCapUmpEndpoint = 1u << 9;
constexpr unsigned kHidden = SND_SEQ_PORT_CAP_NO_EXPORT | kCapInactive | kCapUmpEndpoint;
constexpr unsigned kSourceCaps = SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ;
constexpr unsigned kDestinationCaps = SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE;
// Ports that speak MIDI; timers and other system ports carry none of these.
constexpr unsigned kMidiTypes =
    SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_MIDI_GM | SND_SEQ_PORT_TYPE_MIDI_GS |
    SND_SEQ_PORT_TYPE_MIDI_XG | SND_SEQ_PORT_TYPE_MIDI_MT32 | SND_SEQ_PORT_TYPE_MIDI_GM2 |
    SND_SEQ_PORT_TYPE_SYNTH | SND_SEQ_PORT_TYPE_SYNTHESIZER | SND_SEQ_PORT_TYPE_APPLICATION;
constexpr unsigned kOurType = SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION;
// The most the kernel queues for one client.
constexpr std::size_t kInputEvents = 2000;

struct Address {
  int client = -1;
  int port = -1;
  bool valid() const { return client >= 0; }
  bool operator==(const Address&) const = default;
};

// A port of another client that can be a source or a destination.
struct Found {
  MidiRef ref = 0;
  Address address;
  std::string name;
  std::string client;
  unsigned caps = 0;
};

bool has(unsigned caps, unsigned wanted) {
  return (caps & wanted) == wanted;
}

struct InfoFree {
  void operator()(snd_seq_client_info_t* p) const { snd_seq_client_info_free(p); }
  void operator()(snd_seq_port_info_t* p) const { snd_seq_port_info_free(p); }
  void operator()(snd_seq_port_subscribe_t* p) const { snd_seq_port_subscribe_free(p); }
};

}  // namespace

struct AlsaMidiSystem::Impl {
  struct Connection {
    std::uint32_t token = 0;
    Address address;  // where it is subscribed now; invalid while the source is away
    std::shared_ptr<MidiDelivery> delivery;
  };

  struct InputPort {
    MidiRef client = 0;
    int port = -1;  // -1: the client does nothing
    std::shared_ptr<const MidiReceive> receive;
    std::shared_ptr<const MidiLost> lost;
    std::map<MidiRef, Connection> connections;
  };

  struct OutputPort {
    MidiRef client = 0;
    int port = -1;
  };

  using DeliveryKey = std::tuple<int, int, int>;  // our port, the source's client and port

  struct Client {
    explicit Client(std::function<void()> setupChanged) : hooks(std::move(setupChanged)) {}
    ~Client() {
      if (decoder != nullptr) snd_midi_event_free(decoder);
      if (encoder != nullptr) snd_midi_event_free(encoder);
    }
    MidiRef ref = 0;
    snd_seq_t* seq = nullptr;  // null: a client that does nothing
    int number = -1;
    snd_midi_event_t* decoder = nullptr;  // the main loop's
    snd_midi_event_t* encoder = nullptr;  // senders', under the system's mutex
    std::vector<MidiRef> inputs;
    std::vector<MidiRef> outputs;
    std::map<DeliveryKey, std::shared_ptr<MidiDelivery>> deliveries;  // under the system's mutex

    // The engine's setup callback, and the main loop's watches of the sequencer's descriptors.
    MidiClientHooks hooks;
  };

  explicit Impl(Loop& mainLoop) : loop(mainLoop) {}

  Loop& loop;
  std::string sequencer;
  std::string failure;

  // Everything below, up to the watcher's thread, is guarded by `mutex`.
  std::mutex mutex;
  snd_seq_t* watcher = nullptr;
  int watcherNumber = -1;
  std::map<MidiRef, std::shared_ptr<Client>> clients;
  std::map<MidiRef, InputPort> inputs;
  std::map<MidiRef, OutputPort> outputs;
  std::map<std::tuple<std::string, std::string, int>, MidiRef> refs;
  std::multiset<int> closingNumbers;  // clients being closed outside the lock: their ports are still ours
  MidiRef nextRef = 1;
  std::string signature;
  std::map<MidiRef, Found> known;
  // Reused by every question about clients and ports.
  std::unique_ptr<snd_seq_client_info_t, InfoFree> clientInfo;
  std::unique_ptr<snd_seq_port_info_t, InfoFree> portInfo;

  alsaseq::Wake watcherWake;
  std::atomic<bool> watcherStop{false};
  std::thread watcherThread;

  // --- Listings (with `mutex` held).

  bool isOurs(int number) const {
    if (number == watcherNumber || closingNumbers.count(number) != 0) return true;
    return std::any_of(clients.begin(), clients.end(),
                       [&](const auto& entry) { return entry.second->number == number; });
  }

  MidiRef refFor(const std::string& client, const std::string& name, int index) {
    const auto [at, made] = refs.try_emplace({client, name, index}, nextRef);
    if (made) ++nextRef;
    return at->second;
  }

  // Every port of other clients that can be a source or a destination, in the sequencer's order; remembered
  // in `known`.
  std::vector<Found> scan() {
    std::vector<Found> out;
    known.clear();
    if (watcher == nullptr || !clientInfo || !portInfo) return out;
    snd_seq_client_info_t* clientRaw = clientInfo.get();
    snd_seq_port_info_t* portRaw = portInfo.get();
    std::map<std::pair<std::string, std::string>, int> seen;
    snd_seq_client_info_set_client(clientRaw, -1);
    while (snd_seq_query_next_client(watcher, clientRaw) >= 0) {
      const int client = snd_seq_client_info_get_client(clientRaw);
      if (client == SND_SEQ_CLIENT_SYSTEM || isOurs(client)) continue;
      const std::string clientName = snd_seq_client_info_get_name(clientRaw);
      snd_seq_port_info_set_client(portRaw, client);
      snd_seq_port_info_set_port(portRaw, -1);
      while (snd_seq_query_next_port(watcher, portRaw) >= 0) {
        const unsigned caps = snd_seq_port_info_get_capability(portRaw);
        const unsigned type = snd_seq_port_info_get_type(portRaw);
        if ((type & kMidiTypes) == 0 || (caps & kHidden) != 0) continue;
        if (!has(caps, kSourceCaps) && !has(caps, kDestinationCaps)) continue;
        std::string name = snd_seq_port_info_get_name(portRaw);
        const int index = seen[{clientName, name}]++;
        const MidiRef ref = refFor(clientName, name, index);
        out.push_back(
            {ref, {client, snd_seq_port_info_get_port(portRaw)}, std::move(name), clientName, caps});
      }
    }
    for (const auto& f : out)
      known.insert_or_assign(f.ref, f);
    return out;
  }

  // Whether the port remembered as `f` still sits at its address under the same names and abilities: two
  // questions to the sequencer rather than one for every client and port.
  bool stillThere(const Found& f) {
    if (watcher == nullptr || !clientInfo || !portInfo) return false;
    if (snd_seq_get_any_client_info(watcher, f.address.client, clientInfo.get()) < 0 ||
        f.client != snd_seq_client_info_get_name(clientInfo.get()))
      return false;
    return snd_seq_get_any_port_info(watcher, f.address.client, f.address.port, portInfo.get()) >= 0 &&
           f.name == snd_seq_port_info_get_name(portInfo.get()) &&
           f.caps == snd_seq_port_info_get_capability(portInfo.get());
  }

  std::vector<MidiEndpoint> list(unsigned caps) {
    std::vector<MidiEndpoint> out;
    for (auto& f : scan())
      if (has(f.caps, caps)) out.push_back({f.ref, std::move(f.name), std::move(f.client), false});
    return out;
  }

  // Every send resolves its destination: the port remembered from the last listing when it is still there,
  // else a fresh listing.
  std::optional<Address> resolve(MidiRef ref, unsigned caps) {
    if (const auto found = known.find(ref);
        found != known.end() && has(found->second.caps, caps) && stillThere(found->second))
      return found->second.address;
    for (const auto& f : scan())
      if (f.ref == ref && has(f.caps, caps)) return f.address;
    return std::nullopt;
  }

  std::string currentSignature() {
    std::string out;
    for (const auto& f : scan())
      out += std::to_string(f.ref) + '\t' + std::to_string(f.caps & (kSourceCaps | kDestinationCaps)) + '\t' +
             f.name + '\t' + f.client + '\n';
    return out;
  }

  // --- Connections (with `mutex` held).

  static bool subscribed(const Client& c, int port, Address from) {
    snd_seq_port_subscribe_t* raw = nullptr;
    if (snd_seq_port_subscribe_malloc(&raw) < 0) return false;
    const std::unique_ptr<snd_seq_port_subscribe_t, InfoFree> sub(raw);
    const snd_seq_addr_t sender{static_cast<unsigned char>(from.client),
                                static_cast<unsigned char>(from.port)};
    const snd_seq_addr_t dest{static_cast<unsigned char>(c.number), static_cast<unsigned char>(port)};
    snd_seq_port_subscribe_set_sender(raw, &sender);
    snd_seq_port_subscribe_set_dest(raw, &dest);
    return snd_seq_get_port_subscription(c.seq, raw) == 0;
  }

  // Subscribes the port to the source at `at`, with a fresh delivery published first so that the first
  // event already finds it.
  static bool link(Client& c, InputPort& in, Connection& connection, Address at) {
    for (auto& [ref, other] : in.connections)
      if (&other != &connection && other.address == at) other.address = {};  // stale: that port is gone
    auto delivery = std::make_shared<MidiDelivery>();
    delivery->token = connection.token;
    delivery->receive = in.receive;
    delivery->lost = in.lost;
    const DeliveryKey key{in.port, at.client, at.port};
    c.deliveries[key] = delivery;
    const int result = snd_seq_connect_from(c.seq, in.port, at.client, at.port);
    if (result < 0 && result != -EBUSY) {
      c.deliveries.erase(key);
      return false;
    }
    connection.delivery = std::move(delivery);
    connection.address = at;
    return true;
  }

  static void unlink(Client& c, InputPort& in, Connection& connection) {
    const Address at = std::exchange(connection.address, Address{});
    auto delivery = std::exchange(connection.delivery, nullptr);
    if (!at.valid()) return;
    const DeliveryKey key{in.port, at.client, at.port};
    // Another connection may have taken the address over since: its delivery and subscription stay.
    const auto found = c.deliveries.find(key);
    if (found == c.deliveries.end() || found->second != delivery) return;
    c.deliveries.erase(found);
    snd_seq_disconnect_from(c.seq, in.port, at.client, at.port);
  }

  // After an announcement: connections follow their sources to wherever they are now, and come back by
  // themselves when a source returns.
  void resync() {
    std::map<MidiRef, Address> where;
    for (const auto& f : scan())
      if (has(f.caps, kSourceCaps)) where.emplace(f.ref, f.address);
    for (auto& [ref, in] : inputs) {
      Client& c = *clients.at(in.client);
      if (c.seq == nullptr || in.port < 0) continue;
      for (auto& [source, connection] : in.connections) {
        const auto now = where.find(source);
        if (now == where.end()) {
          unlink(c, in, connection);
          continue;
        }
        if (connection.address == now->second && subscribed(c, in.port, now->second)) continue;
        unlink(c, in, connection);
        link(c, in, connection, now->second);  // a failure is tried again at the next announcement
      }
    }
  }

  // --- Sending (takes `mutex`).

  // One event, filled by `fill`, from the output port to the destination alone, at once.
  template <typename Fill>
  bool output(MidiRef outputPort, MidiRef destination, Fill&& fill) {
    const std::lock_guard lock(mutex);
    const auto found = outputs.find(outputPort);
    if (found == outputs.end()) return false;
    const OutputPort& out = found->second;
    Client& c = *clients.at(out.client);
    if (c.seq == nullptr || out.port < 0) return false;
    const auto at = resolve(destination, kDestinationCaps);
    if (!at) return false;
    snd_seq_event_t ev;
    snd_seq_ev_clear(&ev);
    if (!fill(c, ev)) return false;
    snd_seq_ev_set_source(&ev, out.port);
    // To that one port, not to the output port's subscribers: each destination hears only what is meant for
    // it.
    snd_seq_ev_set_dest(&ev, at->client, at->port);
    snd_seq_ev_set_direct(&ev);
    // Straight to the kernel rather than through the output buffer: an event the sequencer refuses (its
    // destination just went) would otherwise stay at the head of the buffer and hold back every later send.
    return snd_seq_event_output_direct(c.seq, &ev) >= 0;
  }

  // --- Threads.

  static void notify(const std::vector<std::shared_ptr<Client>>& all) {
    for (const auto& client : all)
      client->hooks.setupChanged();
  }

  void watcherMain() {
    bool relevant = false;
    const auto onEvent = [&](const snd_seq_event_t* ev) {
      if (ev == nullptr) {
        relevant = true;  // announcements were lost: look afresh
        return;
      }
      switch (ev->type) {
        case SND_SEQ_EVENT_CLIENT_START:
        case SND_SEQ_EVENT_CLIENT_EXIT:
        case SND_SEQ_EVENT_CLIENT_CHANGE:
        case SND_SEQ_EVENT_PORT_START:
        case SND_SEQ_EVENT_PORT_EXIT:
        case SND_SEQ_EVENT_PORT_CHANGE:
          relevant = true;
          break;
        default:
          break;  // subscriptions, our own among them, change no listing
      }
    };
    const auto afterBatch = [&] {
      if (!std::exchange(relevant, false)) return;
      std::vector<std::shared_ptr<Client>> all;
      {
        const std::lock_guard lock(mutex);
        resync();
        // Our own ports coming and going change nothing the engines can see: they hear only of real news.
        std::string now = currentSignature();
        if (now == signature) return;
        signature = std::move(now);
        for (const auto& [ref, client] : clients)
          all.push_back(client);
      }
      notify(all);
    };
    alsaseq::pump(watcher, watcherWake, watcherStop, onEvent, afterBatch);
  }

  // On the main loop, when the sequencer has input for the client: every event waiting, as words, to the
  // receiver of its connection. Returns once the input is drained, or the client was disposed meanwhile.
  void readInput(Client& c) {
    std::vector<std::uint32_t> words;
    unsigned char decoded[32];
    while (!c.hooks.disposed()) {
      snd_seq_event_t* event = nullptr;
      const int got = snd_seq_event_input(c.seq, &event);
      if (got == -ENOSPC) {
        lose(c);
        continue;  // what comes after still counts
      }
      if (got < 0 || event == nullptr) return;
      const snd_seq_event_t& ev = *event;
      std::shared_ptr<MidiDelivery> delivery;
      {
        const std::lock_guard lock(mutex);
        const auto found = c.deliveries.find({ev.dest.port, ev.source.client, ev.source.port});
        if (found != c.deliveries.end()) delivery = found->second;
      }
      if (!delivery) continue;  // not a source we connected, or one disconnected while the event waited
      std::span<const std::uint8_t> bytes;
      if (ev.type == SND_SEQ_EVENT_SYSEX) {
        // Chunks of a long SysEx come as they are; the encoder joins them.
        if ((ev.flags & SND_SEQ_EVENT_LENGTH_MASK) != SND_SEQ_EVENT_LENGTH_VARIABLE) continue;
        bytes = {static_cast<const std::uint8_t*>(ev.data.ext.ptr), ev.data.ext.len};
      } else {
        const long size = snd_midi_event_decode(c.decoder, decoded, sizeof decoded, &ev);
        if (size <= 0) continue;  // not a MIDI event
        bytes = {decoded, static_cast<std::size_t>(size)};
      }
      delivery->deliver(bytes, words);
    }
  }

  // The kernel's queue for the client overflowed while we were slow: it dropped what arrived, and emptied
  // itself, without saying how many or from whom. Every connection starts afresh, and each input port hears
  // of the loss once.
  void lose(Client& c) {
    std::vector<std::shared_ptr<MidiDelivery>> all;
    {
      const std::lock_guard lock(mutex);
      for (const auto& [key, delivery] : c.deliveries)
        all.push_back(delivery);
    }
    std::set<const MidiLost*> told;
    for (const auto& delivery : all) {
      if (c.hooks.disposed()) return;
      if (told.insert(delivery->lost.get()).second)
        delivery->lose(0);
      else
        delivery->encoder.reset();
    }
  }

  // Without `mutex`, on the main loop. After it returns, no callback of the client is in flight, unless it
  // was called from one, which then ends without touching the sequencer again.
  void dispose(const std::shared_ptr<Client>& c) {
    c->hooks.dispose();
    if (c->seq == nullptr) return;
    snd_seq_close(c->seq);
    c->seq = nullptr;
    const std::lock_guard lock(mutex);
    if (const auto closing = closingNumbers.find(c->number); closing != closingNumbers.end())
      closingNumbers.erase(closing);
  }
};

AlsaMidiSystem::AlsaMidiSystem(Loop& loop, const std::string& sequencer)
    : impl_(std::make_unique<Impl>(loop)) {
  impl_->sequencer = sequencer;
  snd_seq_t* seq = nullptr;
  // Non-blocking: every wait is a poll that the system can end.
  const int opened = snd_seq_open(&seq, sequencer.c_str(), SND_SEQ_OPEN_DUPLEX, SND_SEQ_NONBLOCK);
  if (opened < 0) {
    impl_->failure = snd_strerror(opened);
    return;
  }
  snd_seq_set_client_name(seq, kWatcherName);
  const std::lock_guard lock(impl_->mutex);
  impl_->watcher = seq;
  impl_->watcherNumber = snd_seq_client_id(seq);
  snd_seq_client_info_t* clientInfo = nullptr;
  snd_seq_port_info_t* portInfo = nullptr;
  if (snd_seq_client_info_malloc(&clientInfo) >= 0) impl_->clientInfo.reset(clientInfo);
  if (snd_seq_port_info_malloc(&portInfo) >= 0) impl_->portInfo.reset(portInfo);
  impl_->signature = impl_->currentSignature();
  // Without the announcements the listings still work; only the news of changes is lost.
  const int port =
      snd_seq_create_simple_port(seq, "announcements", SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_NO_EXPORT,
                                 SND_SEQ_PORT_TYPE_APPLICATION);
  if (port < 0 || impl_->watcherWake.fd() < 0 ||
      snd_seq_connect_from(seq, port, SND_SEQ_CLIENT_SYSTEM, SND_SEQ_PORT_SYSTEM_ANNOUNCE) < 0)
    return;
  try {
    impl_->watcherThread = std::thread([impl = impl_.get()] { impl->watcherMain(); });
  } catch (...) {
  }
}

AlsaMidiSystem::~AlsaMidiSystem() {
  impl_->watcherStop = true;
  impl_->watcherWake.signal();
  if (impl_->watcherThread.joinable()) impl_->watcherThread.join();
  std::vector<MidiRef> all;
  {
    const std::lock_guard lock(impl_->mutex);
    for (const auto& [ref, client] : impl_->clients)
      all.push_back(ref);
  }
  for (const MidiRef ref : all)
    disposeClient(ref);
  if (impl_->watcher != nullptr) snd_seq_close(impl_->watcher);
}

bool AlsaMidiSystem::online() const {
  return impl_->failure.empty();
}

std::string AlsaMidiSystem::failure() const {
  return impl_->failure;
}

std::vector<MidiEndpoint> AlsaMidiSystem::sources() {
  const std::lock_guard lock(impl_->mutex);
  return impl_->list(kSourceCaps);
}

std::vector<MidiEndpoint> AlsaMidiSystem::destinations() {
  const std::lock_guard lock(impl_->mutex);
  return impl_->list(kDestinationCaps);
}

std::vector<MidiDevice> AlsaMidiSystem::devices() {
  const std::lock_guard lock(impl_->mutex);
  std::vector<MidiDevice> out;
  for (auto& f : impl_->scan())
    if (std::none_of(out.begin(), out.end(), [&](const MidiDevice& d) { return d.name == f.client; }))
      out.push_back({std::move(f.client), false});
  return out;
}

MidiRef AlsaMidiSystem::createClient(const std::string& name, std::function<void()> setupChanged) {
  auto c = std::make_shared<Impl::Client>(std::move(setupChanged));
  snd_seq_t* seq = nullptr;
  if (online() && snd_midi_event_new(16, &c->encoder) >= 0 && snd_midi_event_new(16, &c->decoder) >= 0 &&
      snd_seq_open(&seq, impl_->sequencer.c_str(), SND_SEQ_OPEN_DUPLEX, SND_SEQ_NONBLOCK) >= 0) {
    // One client carries many sources: a status byte left out because the last event from another source
    // had it would be read against the wrong source's running status.
    snd_midi_event_no_status(c->decoder, 1);
    snd_seq_set_client_name(seq, midiWire::truncateUtf8(name, kNameLimit).c_str());
    // The main loop reads the input: room for a burst while it is busy elsewhere. The kernel's default holds
    // 200 events; a refusal leaves that.
    snd_seq_set_client_pool_input(seq, kInputEvents);
    c->seq = seq;
    c->number = snd_seq_client_id(seq);
  }
  if (c->seq != nullptr) {
    const int count = std::max(0, snd_seq_poll_descriptors_count(c->seq, POLLIN));
    std::vector<pollfd> fds(static_cast<std::size_t>(count));
    if (count > 0) snd_seq_poll_descriptors(c->seq, fds.data(), static_cast<unsigned>(count), POLLIN);
    for (const auto& fd : fds)
      c->hooks.watchInput(impl_->loop, fd.fd, [impl = impl_.get(), weak = std::weak_ptr(c)] {
        if (const auto client = weak.lock()) impl->readInput(*client);
      });
  }
  const std::lock_guard lock(impl_->mutex);
  c->ref = impl_->nextRef++;
  impl_->clients.emplace(c->ref, c);
  return c->ref;
}

MidiRef AlsaMidiSystem::createInputPort(MidiRef client, const std::string& name, MidiReceive receive,
                                        MidiLost lost) {
  const std::lock_guard lock(impl_->mutex);
  const auto found = impl_->clients.find(client);
  if (found == impl_->clients.end()) return 0;
  Impl::Client& c = *found->second;
  Impl::InputPort in;
  in.client = client;
  in.receive = std::make_shared<const MidiReceive>(std::move(receive));
  in.lost = std::make_shared<const MidiLost>(std::move(lost));
  if (c.seq != nullptr)
    in.port = std::max(-1, snd_seq_create_simple_port(c.seq, midiWire::truncateUtf8(name, kNameLimit).c_str(),
                                                      kDestinationCaps, kOurType));
  const MidiRef ref = impl_->nextRef++;
  impl_->inputs.emplace(ref, std::move(in));
  c.inputs.push_back(ref);
  return ref;
}

MidiRef AlsaMidiSystem::createOutputPort(MidiRef client, const std::string& name) {
  const std::lock_guard lock(impl_->mutex);
  const auto found = impl_->clients.find(client);
  if (found == impl_->clients.end()) return 0;
  Impl::Client& c = *found->second;
  Impl::OutputPort out{client, -1};
  if (c.seq != nullptr)
    out.port =
        std::max(-1, snd_seq_create_simple_port(c.seq, midiWire::truncateUtf8(name, kNameLimit).c_str(),
                                                kSourceCaps, kOurType));
  const MidiRef ref = impl_->nextRef++;
  impl_->outputs.emplace(ref, out);
  c.outputs.push_back(ref);
  return ref;
}

bool AlsaMidiSystem::connectSource(MidiRef inputPort, MidiRef source, std::uint32_t token) {
  const std::lock_guard lock(impl_->mutex);
  const auto found = impl_->inputs.find(inputPort);
  if (found == impl_->inputs.end()) return false;
  Impl::InputPort& in = found->second;
  Impl::Client& c = *impl_->clients.at(in.client);
  if (c.seq == nullptr || in.port < 0) return false;
  const auto at = impl_->resolve(source, kSourceCaps);
  auto& connections = in.connections;
  if (const auto old = connections.find(source); old != connections.end()) {
    if (at && old->second.token == token && old->second.address == *at && Impl::subscribed(c, in.port, *at))
      return true;
    Impl::unlink(c, in, old->second);
    connections.erase(old);
  }
  if (!at) return false;
  Impl::Connection connection;
  connection.token = token;
  if (!Impl::link(c, in, connection, *at)) return false;
  connections.emplace(source, std::move(connection));
  return true;
}

void AlsaMidiSystem::disconnectSource(MidiRef inputPort, MidiRef source) {
  const std::lock_guard lock(impl_->mutex);
  const auto found = impl_->inputs.find(inputPort);
  if (found == impl_->inputs.end()) return;
  Impl::InputPort& in = found->second;
  const auto connection = in.connections.find(source);
  if (connection == in.connections.end()) return;
  Impl::unlink(*impl_->clients.at(in.client), in, connection->second);
  in.connections.erase(connection);
}

bool AlsaMidiSystem::send(MidiRef outputPort, MidiRef destination, std::uint32_t word) {
  const midiWire::Bytes bytes = midiWire::wordBytes(word);
  if (bytes.size == 0) return false;
  return impl_->output(outputPort, destination, [&](Impl::Client& c, snd_seq_event_t& ev) {
    snd_midi_event_reset_encode(c.encoder);
    const long used = snd_midi_event_encode(c.encoder, bytes.data.data(), static_cast<long>(bytes.size), &ev);
    return used == static_cast<long>(bytes.size) && ev.type != SND_SEQ_EVENT_NONE;
  });
}

bool AlsaMidiSystem::sendSysex(MidiRef outputPort, MidiRef destination,
                               std::span<const std::uint8_t> message) {
  if (!midiWire::wholeSysex(message)) return false;
  return impl_->output(outputPort, destination, [&](Impl::Client&, snd_seq_event_t& ev) {
    // The sequencer only reads the bytes while the event is output, which happens before this returns.
    snd_seq_ev_set_sysex(&ev, static_cast<unsigned>(message.size()),
                         const_cast<std::uint8_t*>(message.data()));
    return true;
  });
}

void AlsaMidiSystem::disposeClient(MidiRef client) {
  std::shared_ptr<Impl::Client> c;
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
    c->deliveries.clear();
    if (c->seq != nullptr) impl_->closingNumbers.insert(c->number);
  }
  impl_->dispose(c);
}
