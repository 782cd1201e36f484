// An engine's MIDI client (see the header). The receiver runs where the MIDI layer delivers, on any thread:
// all it does there is name the source and hand the words to the loop.
#include "common/midi_client.h"

#include <algorithm>
#include <utility>

#include "common/lost_input.h"

MidiClient::MidiClient(MidiSystem& system, Loop& loop, MidiClientNames names, SourcePick pick)
    : system_(system),
      loop_(loop),
      portNames_(std::move(names)),
      pick_(pick),
      snapshot_(
          std::make_shared<std::atomic<std::shared_ptr<const Names>>>(std::make_shared<const Names>())) {}

MidiClient::~MidiClient() {
  dispose();
}

void MidiClient::start() {
  if (client_ != 0) return;
  const std::weak_ptr<MidiClient> weak = weak_from_this();
  // The loop outlives every engine object, so the MIDI layer's threads may hold it by reference; the client
  // itself is only ever locked on the loop's thread, so its last owner never lets go of it elsewhere.
  Loop& loop = loop_;
  client_ = system_.createClient(portNames_.client, [weak, &loop] {
    loop.post([weak] {
      const auto self = weak.lock();
      // A copy, so that a handler replacing itself does not destroy the function while it runs.
      if (const auto handler = self ? self->onSetup : nullptr) handler();
    });
  });
  lost_ = std::make_shared<LostInput>(loop_, [weak](const std::string& line) {
    if (const auto self = weak.lock(); self && self->onLost) self->onLost(line);
  });
  inPort_ = system_.createInputPort(
      client_, portNames_.input,
      [weak, &loop, known = snapshot_](std::uint32_t token, std::span<const std::uint32_t> words) {
        if (words.empty()) return;
        const auto names = known->load();
        const auto name = names->find(token);
        loop.post([weak, source = name == names->end() ? std::string() : name->second,
                   words = std::vector<std::uint32_t>(words.begin(), words.end())] {
          const auto self = weak.lock();
          if (const auto handler = self ? self->onWords : nullptr) handler(source, words);
        });
      },
      [weak, &loop, lost = lost_](std::uint64_t count) { loop.post([lost, count] { lost->add(count); }); });
  outPort_ = system_.createOutputPort(client_, portNames_.output);
}

int MidiClient::sync() {
  if (inPort_ == 0) return 0;
  auto names = *snapshot_->load();
  std::vector<Open> now;
  for (const auto& source : system_.sources()) {
    if (pick_ == SourcePick::online ? source.offline : source.name.empty()) continue;
    const auto named = [&](const Open& o) { return o.name == source.name; };
    if (pick_ == SourcePick::onePerName && std::any_of(now.begin(), now.end(), named)) continue;
    const auto open =
        std::find_if(open_.begin(), open_.end(), [&](const Open& o) { return o.ref == source.ref; });
    if (open != open_.end()) {
      now.push_back(*open);
      continue;
    }
    // Named before connecting, so that the first message of the new connection already finds its name.
    const Open made{source.ref, nextToken_++, source.name};
    names.emplace(made.token, made.name);
    snapshot_->store(std::make_shared<const Names>(names));
    if (system_.connectSource(inPort_, made.ref, made.token))
      now.push_back(made);
    else
      names.erase(made.token);  // another source of the same name may take its place
  }
  for (const auto& o : open_) {
    if (std::any_of(now.begin(), now.end(), [&](const Open& n) { return n.ref == o.ref; })) continue;
    system_.disconnectSource(inPort_, o.ref);
    names.erase(o.token);
  }
  snapshot_->store(std::make_shared<const Names>(std::move(names)));
  open_ = std::move(now);
  publish();
  return static_cast<int>(open_.size());
}

void MidiClient::closeAll() {
  for (const auto& o : open_)
    system_.disconnectSource(inPort_, o.ref);
  open_.clear();
  publish();
  snapshot_->store(std::make_shared<const Names>());
}

void MidiClient::publish() {
  names_.clear();
  for (const auto& o : open_)
    names_.push_back(o.name);
}

void MidiClient::dispose() {
  closeAll();
  if (client_ != 0) system_.disposeClient(client_);
  client_ = inPort_ = outPort_ = 0;
  lost_.reset();
}

bool MidiClient::send(MidiRef destination, int status, int d1, int d2) {
  if (outPort_ == 0 || destination == 0) return false;
  const std::uint32_t word = 0x20000000u | static_cast<std::uint32_t>(status & 0xFF) << 16 |
                             static_cast<std::uint32_t>(d1 & 0x7F) << 8 |
                             static_cast<std::uint32_t>(d2 & 0x7F);
  return system_.send(outPort_, destination, word);
}

bool MidiClient::sendSysex(MidiRef destination, std::span<const std::uint8_t> message) {
  return outPort_ != 0 && destination != 0 && system_.sendSysex(outPort_, destination, message);
}

void MidiClient::prepare(MidiRef destination) {
  if (outPort_ != 0 && destination != 0) system_.prepare(outPort_, destination);
}
