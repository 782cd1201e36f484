// The MK module's MIDI client and the listings (see the header). Receiving happens where the MIDI layer
// delivers, on any thread; all it does there is name the source and hand the messages to the main loop.
#include "mackie/engine/midi.h"

#include <utility>

#include "mackie/core/packets.h"

namespace {

using Names = std::vector<std::string>;

}  // namespace

std::vector<MKSource> mkSources(MidiSystem& system) {
  std::vector<MKSource> out;
  for (auto& e : system.sources())
    if (!e.offline) out.push_back({std::move(e.name), e.ref});
  return out;
}

std::vector<MKDestination> mkDestinations(MidiSystem& system) {
  std::vector<MKDestination> out;
  for (auto& e : system.destinations())
    if (!e.offline) out.push_back({std::move(e.name), std::move(e.device), e.ref});
  return out;
}

std::vector<std::string> mkDevices(MidiSystem& system) {
  std::vector<std::string> out;
  for (auto& d : system.devices())
    if (!d.offline && !d.name.empty()) out.push_back(std::move(d.name));
  return out;
}

MKMidi::MKMidi(MidiSystem& system, Loop& loop)
    : system_(system), loop_(loop), snapshot_(std::make_shared<const Names>()) {}

MKMidi::~MKMidi() {
  stop();
}

void MKMidi::start() {
  if (client != 0) return;
  const std::weak_ptr<MKMidi> weak = weak_from_this();
  // The loop outlives every engine object, so the MIDI thread may hold it by reference; the MKMidi itself is
  // only ever locked on the main thread, so its last owner never lets go of it on the MIDI thread.
  Loop& loop = loop_;
  client = system_.createClient(CLIENT_NAME, [weak, &loop] {
    loop.post([weak] {
      const auto self = weak.lock();
      if (!self) return;
      // A copy, so that a handler replacing itself does not destroy the function while it runs.
      if (const auto handler = self->onSetup) handler();
    });
  });

  // The port, once made, lives until disposeClient in stop(), which the destructor calls before any member
  // goes; so the raw pointer used for the snapshot is valid whenever the system calls back.
  const MKMidi* raw = this;
  inPort = system_.createInputPort(
      client, "MK in",
      [weak, raw, &loop](std::uint32_t token, std::span<const std::uint32_t> words) {
        auto messages = MKMCU::readPackets(words);
        if (messages.empty()) return;
        const auto known = raw->snapshot_.load();
        std::string port = token >= 1 && token <= known->size() ? (*known)[token - 1] : std::string();
        loop.post([weak, port = std::move(port), messages = std::move(messages)] {
          const auto self = weak.lock();
          if (!self) return;
          for (const auto& message : messages)
            if (const auto handler = self->onMessage) handler(port, message);
        });
      },
      [weak, &loop](std::uint64_t count) {
        loop.post([weak, count] {
          if (const auto self = weak.lock(); self && self->onLost) self->onLost(count);
        });
      });
  outPort = system_.createOutputPort(client, "MK out");
}

int MKMidi::openAll() {
  closeAll();
  const auto candidates = mkSources(system_);
  auto known = std::make_shared<Names>();
  for (const auto& source : candidates)
    known->push_back(source.name);
  // Published before connecting, so that the first message of a new connection already finds its name.
  snapshot_.store(std::move(known));
  for (std::size_t i = 0; i < candidates.size(); ++i) {
    if (inPort == 0 || !system_.connectSource(inPort, candidates[i].ref, static_cast<std::uint32_t>(i + 1)))
      continue;
    names.push_back(candidates[i].name);
    refs.push_back(candidates[i].ref);
  }
  return static_cast<int>(names.size());
}

void MKMidi::closeAll() {
  if (inPort != 0)
    for (const auto ref : refs)
      system_.disconnectSource(inPort, ref);
  names.clear();
  refs.clear();
  snapshot_.store(std::make_shared<const Names>());
}

void MKMidi::stop() {
  closeAll();
  if (client != 0) system_.disposeClient(client);
  client = 0;
  inPort = 0;
  outPort = 0;
}

bool MKMidi::send(MidiRef destination, int status, int d1, int d2) {
  if (outPort == 0 || destination == 0) return false;
  const std::uint32_t word = 0x20000000u + static_cast<std::uint32_t>(status & 0xFF) * 0x10000u +
                             static_cast<std::uint32_t>(d1 & 0x7F) * 0x100u +
                             static_cast<std::uint32_t>(d2 & 0x7F);
  return system_.send(outPort, destination, word);
}
