// The Key Stroke engine's lifecycle, sources, labels, status texts, ring sends and volume pacing. The message
// path, the table and key capture live in the neighbouring files.
#include "keystroke/engine.h"

#include <algorithm>

#include "common/age_text.h"
#include "common/pacing.h"
#include "common/ump.h"
#include "keystroke/post_key.h"
#include "keystroke/rules.h"
#include "keystroke/volume.h"

const std::map<std::string, std::string>& KSEngine::KS_PORT_NAME() {
  static const std::map<std::string, std::string> names = {
      {"Port 1", "USB1"}, {"Port 2", "USB2"}, {"Port 3", "USB3"}, {"Bus 1", "IAC Bus 1"}};
  return names;
}

KSEngine::KSEngine(KSServices services)
    : e16_(services.loop, services.audio, services.documents, services.helper),
      midi_(std::make_shared<MidiClient>(services.midi, services.loop,
                                         MidiClientNames{CLIENT_NAME, IN_PORT, OUT_PORT},
                                         SourcePick::onePerName)),
      services_(std::move(services)) {
  view_.trusted = services_.keys.trusted();
}

KSEngine::~KSEngine() {
  // Nobody is told about an engine that is going away: its observers may be gone already.
  observers_.clear();
  stop();
  midi_->dispose();
}

void KSEngine::changed() {
  // Many changes in one turn of the loop reach the screens as one notice.
  if (announcing_) return;
  announcing_ = true;
  const std::weak_ptr<KSEngine> weak = weak_from_this();
  loop().post([weak] {
    if (const auto engine = weak.lock()) {
      engine->announcing_ = false;
      engine->observers_.notify();
    }
  });
}

void KSEngine::start() {
  if (running_) return;
  running_ = true;
  load();
  // The ring driver sends through this engine, which may be gone before it.
  const std::weak_ptr<KSEngine> weak = weak_from_this();
  e16_.send = [weak](int cc, int value, int channel) {
    const auto engine = weak.lock();
    return engine && engine->sendCC(cc, value, channel);
  };
  if (!dry_ && !services_.login) services_.keys.askForTrust();
  midiStart();
  layerPresence_ = services_.midi.presence();
  if (!services_.midi.about.empty()) note(services_.midi.about);
  const auto every = [&](double seconds, void (*step)(KSEngine&)) {
    return loop().every(seconds, [weak, step] {
      if (const auto engine = weak.lock()) step(*engine);
    });
  };
  timers_ = {
      every(TRUST_EVERY,
            [](KSEngine& e) {
              const bool now = e.services_.keys.trusted();
              if (now != e.view_.trusted) e.changed();
              e.view_.trusted = now;
            }),
      every(TICK_EVERY,
            [](KSEngine& e) {
              e.changed();
              if (e.view_.on && !e.dry_) e.e16_.follow(e.view_.rows);
            }),
      every(LIT_EVERY, [](KSEngine& e) { e.refreshLit(); }),
      every(SOURCES_EVERY, [](KSEngine& e) { e.checkSources(); }),
  };
  changed();
}

void KSEngine::stop() {
  if (!running_) return;
  running_ = false;
  captureStop();
  for (auto& timer : timers_) {
    if (timer) timer->cancel();
    timer.reset();
  }
  midiStop();
  view_.detect = false;
  view_.learnId.reset();
  changed();
}

void KSEngine::togglePower() {
  view_.on = !view_.on;
  save();
  changed();
}

void KSEngine::midiStart() {
  if (!midi_->started()) {
    const std::weak_ptr<KSEngine> weak = weak_from_this();
    midi_->onSetup = [weak] {
      if (const auto engine = weak.lock()) engine->checkSources();
    };
    midi_->onWords = [weak](const std::string& source, std::span<const std::uint32_t> words) {
      const auto engine = weak.lock();
      if (!engine) return;
      ump::forEachPacket(words, [&](int type, std::span<const std::uint32_t> packet) {
        if (type == 1 || type == 2) engine->arrived(source, packet[0]);
      });
    };
    midi_->onLost = [weak](const std::string& line) {
      if (const auto engine = weak.lock()) engine->note(line);
    };
    midi_->start();
  }
  labels_.clear();
  midi_->sync();
  view_.listening.clear();
  for (const auto& name : midi_->names())
    view_.listening.push_back(label(name));
  lastSourcesKey_ = sourcesKey();
  changed();
}

void KSEngine::midiStop() {
  midi_->closeAll();
  view_.listening.clear();
}

void KSEngine::checkSources() {
  if (!running_) return;
  // A MIDI layer that went away takes every port with it: the trace says why, and again when it is back.
  if (auto presence = services_.midi.presence(); presence != layerPresence_) {
    layerPresence_ = std::move(presence);
    note(layerPresence_);
  }
  auto key = sourcesKey();
  if (key == lastSourcesKey_) return;
  lastSourcesKey_ = std::move(key);
  const std::weak_ptr<KSEngine> weak = weak_from_this();
  loop().after(RESCAN_AFTER, [weak] {
    // A stop in the meantime must not open the sources again.
    if (const auto engine = weak.lock(); engine && engine->running_) engine->midiStart();
  });
}

std::string KSEngine::sourcesKey() const {
  std::vector<std::string> all;
  for (const auto& source : services_.midi.sources())
    all.push_back(source.name);
  std::sort(all.begin(), all.end());
  std::string key;
  for (const auto& name : all)
    key += (key.empty() ? "" : "\n") + name;
  return key;
}

void KSEngine::toggleDetect() {
  view_.detect = !view_.detect;
  if (view_.detect) {
    view_.learnId.reset();
    captureStop();
  }
  changed();
}

void KSEngine::unlock() {
  view_.device.clear();
  save();
  note("the device was unlocked");
}

void KSEngine::learn(std::int64_t id) {
  if (view_.learnId == id) {
    view_.learnId.reset();
  } else {
    view_.learnId = id;
    view_.detect = false;
    captureStop();
  }
  changed();
}

std::string KSEngine::label(const std::string& name) {
  const auto cached = labels_.find(name);
  if (cached != labels_.end()) return cached->second;
  std::string out = name;
  const auto known = KS_PORT_NAME().find(name);
  if (known != KS_PORT_NAME().end()) {
    out = known->second;
    if (name.rfind("Port ", 0) == 0) {
      std::vector<std::string> devices;
      for (const auto& d : services_.midi.devices())
        if (!d.offline && !d.name.empty() && d.name != "Network" && d.name != "IAC Driver" &&
            d.name != "Bluetooth")
          devices.push_back(d.name);
      if (devices.size() == 1) out += " (" + devices.front() + ")";
    }
  }
  labels_[name] = out;
  return out;
}

std::pair<std::string, bool> KSEngine::why() const {
  if (midi_->names().empty()) return {"no MIDI source is open — is the device plugged in?", true};
  if (!view_.on) return {"the switch is OFF: nothing is sent", false};
  if (view_.device.empty()) return {"no device is locked: press DETECT DEVICE and turn a knob", false};
  if (view_.rows.empty()) return {"the table is empty: press + A ROW", false};
  std::string joined;
  for (const auto& l : view_.listening)
    joined += (joined.empty() ? "" : ", ") + l;
  return {"listening on " + joined, false};
}

std::string KSEngine::ago(double time) const {
  return ageText(time, services_.loop.now());
}

KSE16::About KSEngine::ring(const KSRow& row) {
  return e16_.about(std::string(KSRules::type(row.type)), row.cc, row.kind == "volume");
}

std::map<std::string, std::size_t> KSEngine::listSizes() const {
  return {{"trace", view_.trace.lines().size()},
          {"monitor", view_.incoming.size()},
          {"lamps", actAt_.size()},
          {"lit", view_.lit.size()},
          {"labels", labels_.size()},
          {"sources", midi_->names().size()},
          {"observers", observers_.size()}};
}

std::set<std::int64_t> KSEngine::clashes() const {
  return KSRules::clashes(view_.rows);
}

bool KSEngine::sendCC(int cc, int value, int channel) {
  if (dry_) return false;
  for (const auto& d : services_.midi.destinations())
    if (d.name == RING_PORT) return midi_->send(d.ref, 0xB0 | (channel & 0x0F), cc, value);
  return false;
}

void KSEngine::postKey(const std::string& key, const std::vector<std::string>& mods) {
  if (const auto message = KSRules::postKey(services_.keys, key, mods, dry_)) note(*message);
}

bool KSEngine::setVolume(int percent) {
  if (!KSVolume::device(services_.audio)) return false;
  if (dry_) return true;
  volWant_ = percent;
  const double wait = secondsUntilDue(volAt_, VOL_EVERY, loop().now());
  if (wait <= 0) {
    applyVolume();
  } else if (!volPending_) {
    volPending_ = true;
    const std::weak_ptr<KSEngine> weak = weak_from_this();
    loop().after(wait, [weak] {
      if (const auto engine = weak.lock()) {
        engine->volPending_ = false;
        engine->applyVolume();
      }
    });
  }
  return true;
}

void KSEngine::applyVolume() {
  if (!volWant_) return;
  const int percent = *volWant_;
  volWant_.reset();
  volAt_ = loop().now();
  if (blob_) {
    KSVolume::toward(services_.audio, services_.keys, percent);
    volLast_.reset();
  } else if (volLast_ != percent) {
    // The same percent again from a knob resting on one value is not written again.
    KSVolume::set(services_.audio, percent);
    volLast_ = percent;
  }
}
