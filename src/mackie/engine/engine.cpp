// The MK engine's lifecycle, settings, observers, ports and labels. The message path, pacing, timing,
// settings file, blob and texts live in the neighbouring files.
#include "mackie/engine/engine.h"

#include <algorithm>
#include <cctype>

#include "common/loose_value.h"
#include "common/lost_input.h"

namespace {

std::string plural(long n, const std::string& word) {
  return std::to_string(n) + " " + word + (n == 1 ? "" : "s");
}

}  // namespace

const std::map<int, std::string>& MKEngine::LAMP() {
  static const std::map<int, std::string> lamp = {
      {94, "PLAY"}, {93, "STOP"}, {95, "RECORD"}, {86, "LOOP"}, {89, "HOME"}};
  return lamp;
}

const std::map<std::string, std::string>& MKEngine::PORT_NAME() {
  static const std::map<std::string, std::string> names = {
      {"Port 1", "USB1"}, {"Port 2", "USB2"}, {"Port 3", "USB3"}};
  return names;
}

MKEngine::MKEngine(MKServices services)
    : midi_(std::make_shared<MidiClient>(
          services.midi, services.loop, MidiClientNames{CLIENT_NAME, "MK in", "MK out"}, SourcePick::online)),
      live_(std::make_shared<MKLive>(services.loop, services.liveFolders, services.oscPort)),
      services_(std::move(services)) {}

MKEngine::~MKEngine() {
  // Nobody is told about an engine that is going away: its observers may be gone already.
  observers_.clear();
  stop();
}

MKLed& MKEngine::rings() {
  if (!led_)
    led_ = std::make_shared<MKLed>(loop(), services_.midi, midi_, services_.audio, services_.documents,
                                   services_.helper);
  return *led_;
}

int MKEngine::subscribe(std::function<void()> changed) {
  return observers_.subscribe(std::move(changed));
}

void MKEngine::unsubscribe(int id) {
  observers_.unsubscribe(id);
}

void MKEngine::publish() {
  observers_.notify();
}

bool MKEngine::power() const {
  const auto on = conf_.find("on");
  return on == conf_.end() || !on->is_boolean() || on->get<bool>();
}

bool MKEngine::blobOn() const {
  const auto on = conf_.find("blob");
  return on == conf_.end() || !on->is_boolean() || on->get<bool>();
}

namespace {

std::string text(const nlohmann::json& conf, const char* key) {
  const auto found = conf.find(key);
  return found != conf.end() && found->is_string() ? found->get<std::string>() : "";
}

}  // namespace

std::string MKEngine::device() const {
  return text(conf_, "device");
}
std::string MKEngine::outWant() const {
  return text(conf_, "out");
}
std::string MKEngine::back() const {
  return text(conf_, "back");
}

bool MKEngine::names(const char* key, const std::string& port) const {
  const auto found = conf_.find(key);
  return found != conf_.end() && found->is_string() && found->get_ref<const std::string&>() == port;
}

void MKEngine::reindex() {
  index_ = MKRules::MKRowIndex(view_.rows);
}

void MKEngine::start() {
  if (running_) return;
  load();
  const std::weak_ptr<MKEngine> weak = weak_from_this();
  midi_->onWords = [weak](const std::string& port, std::span<const std::uint32_t> words) {
    if (const auto engine = weak.lock()) engine->receivedWords(port, words);
  };
  midi_->onSetup = [weak] {
    if (const auto engine = weak.lock()) engine->rescan();
  };
  midi_->onLost = [weak](const std::string& line) {
    if (const auto engine = weak.lock()) engine->note(line);
  };
  midi_->start();
  labels_.clear();
  answered_ = false;
  const int n = midi_->sync();
  lastSources_ = {midi_->names().begin(), midi_->names().end()};
  layerPresence_ = services_.midi.presence();
  openOut();
  live_->start();
  rings().follow = [weak] {
    std::vector<int> numbers;
    if (const auto engine = weak.lock())
      for (const auto& r : engine->view_.rows)
        if (r.on && r.led == true && r.command == "volume" && r.from == "cc") numbers.push_back(r.number);
    return numbers;
  };
  rings().startFollowing();
  running_ = true;
  startRefresh();
  note("MIDI to MK Control is up, listening on " + plural(n, "source") + ", sending to " +
       (outRef_ ? view_.outName : "nothing yet"));
  if (!services_.midi.about.empty()) note(services_.midi.about);
}

void MKEngine::startRefresh() {
  const std::weak_ptr<MKEngine> weak = weak_from_this();
  // The screens hear of changes at most ten times a second, and while a lamp is lit, so that they see it go
  // out. A lamp that went out is forgotten: an idle engine tells them nothing.
  refresh_ = loop().every(REFRESH, [weak] {
    const auto engine = weak.lock();
    if (!engine) return;
    const bool outNow = std::erase_if(engine->act_, [&](const auto& a) { return !engine->lit(a.first); }) > 0;
    if (!(engine->dirty_ || outNow || !engine->act_.empty())) return;
    engine->dirty_ = false;
    engine->publish();
  });
}

void MKEngine::rescan() {
  if (!running_) return;
  // A MIDI layer that went away takes every port with it: the trace says why, and again when it is back.
  if (auto presence = services_.midi.presence(); presence != layerPresence_) {
    layerPresence_ = std::move(presence);
    note(layerPresence_);
  }
  // The way towards Live is made as soon as its destination is there, not at the first message.
  openOut();
  std::set<std::string> now;
  for (const auto& source : mkSources(services_.midi))
    now.insert(source.name);
  if (now == lastSources_) return;
  after(RESCAN_AFTER, [](MKEngine& engine) {
    if (!engine.running_) return;
    engine.labels_.clear();
    engine.midi_->sync();
    engine.lastSources_ = {engine.midi_->names().begin(), engine.midi_->names().end()};
    engine.openOut();
    engine.dirty_ = true;
  });
}

void MKEngine::stop() {
  if (!running_) return;
  live_->stop();
  if (led_) led_->stopFollowing();
  dropPending();
  letGoOfEverything();
  coarse_.clear();
  if (blob_) blob_->destroy();
  blob_.reset();
  midi_->dispose();
  outRef_ = 0;
  view_.outName.clear();
  if (refresh_) refresh_->cancel();
  refresh_.reset();
  view_.detect = false;
  view_.learnId.reset();
  running_ = false;
  // The refresh timer is gone: tell the screens now that the module is off.
  publish();
}

void MKEngine::liveCame() {
  if (running_) live_->askBoth();
}

std::map<std::string, std::size_t> MKEngine::listSizes() const {
  return {{"trace", view_.trace.lines().size()},
          {"monitor", view_.incoming.size()},
          {"queue", queue_.size()},
          {"turns", spins_.size()},
          {"lamps", act_.size()},
          {"held notes", down_.size()},
          {"labels", labels_.size()},
          {"undo", history_.undoStack.size()},
          {"observers", observers_.size()}};
}

void MKEngine::togglePower() {
  conf_["on"] = !power();
  save();
  if (power()) return;
  // What still waits would otherwise reach Live after the releases, and its own release could never follow.
  dropPending();
  letGoOfEverything();
}

void MKEngine::dropPending() {
  if (pump_) pump_->cancel();
  pump_.reset();
  queue_.clear();
  if (spinTimer_) spinTimer_->cancel();
  spinTimer_.reset();
  spins_.clear();
  if (vol_.timer) vol_.timer->cancel();
  vol_.timer.reset();
  vol_.want.reset();
}

void MKEngine::toggleDetect() {
  view_.detect = !view_.detect;
  if (view_.detect) view_.learnId.reset();
  dirty_ = true;
}

void MKEngine::unlock() {
  conf_["device"] = "";
  save();
  note("the device was unlocked");
}

void MKEngine::learn(std::int64_t id) {
  if (view_.learnId == id) {
    view_.learnId.reset();
  } else {
    view_.learnId = id;
    view_.detect = false;
  }
  dirty_ = true;
}

void MKEngine::clearTrace() {
  view_.trace.clear();
  dirty_ = true;
}

std::string MKEngine::label(const std::string& name) {
  if (name.empty()) return "";
  const auto cached = labels_.find(name);
  if (cached != labels_.end()) return cached->second;
  std::string out = name;
  if (name.rfind("Bus ", 0) == 0 && name.size() > 4 && std::isdigit(static_cast<unsigned char>(name[4]))) {
    out = "IAC " + name;
  } else if (const auto port = PORT_NAME().find(name); port != PORT_NAME().end()) {
    out = port->second;
    // A single real device behind the port is worth naming; the system's own devices are not.
    std::vector<std::string> devices;
    for (auto& d : mkDevices(services_.midi))
      if (d != "Network" && d != "IAC Driver" && d != "Bluetooth") devices.push_back(std::move(d));
    if (devices.size() == 1) out += " (" + devices.front() + ")";
  }
  labels_[name] = out;
  return out;
}

void MKEngine::openOut() {
  auto want = outWant();
  const auto destinations = mkDestinations(services_.midi);
  // With nothing chosen, the first virtual bus the DAW can read: an IAC bus, or on Linux the kernel's own
  // loopback port, "Midi Through".
  for (const char* bus : {"iac", "midi through"}) {
    if (!want.empty()) break;
    for (const auto& d : destinations) {
      if (loose::lowered(d.name).find(bus) != std::string::npos) {
        want = d.name;
        break;
      }
    }
  }
  MidiRef ref = 0;
  if (!want.empty())
    for (const auto& d : destinations)
      if (d.name == want) {
        ref = d.ref;
        break;
      }
  if (ref != 0) midi_->prepare(ref);
  if (ref == outRef_ && (ref == 0 || view_.outName == want)) return;
  outRef_ = ref;
  view_.outName = ref ? want : "";
  dirty_ = true;
}

void MKEngine::setOut(const std::string& name) {
  conf_["out"] = name;
  save();
  openOut();
  note(outRef_ ? "Mackie goes to " + view_.outName : "nothing is open to Live");
}

void MKEngine::setBack(const std::string& name) {
  conf_["back"] = name;
  save();
  view_.lamps = {};
  note(name.empty() ? "not listening for Live's lights" : "listening for Live on " + label(name));
}
