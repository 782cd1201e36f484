// The Key Stroke engine's message path: one word is decoded and shown, then detects, learns, lights the rows
// it reaches and fires the table into key strokes and volume changes; and the status log and the row lamps.
#include <cstdio>
#include <regex>

#include "common/system_messages.h"
#include "keystroke/engine.h"
#include "keystroke/rules.h"

namespace {

constexpr double LIT_FOR = 0.3;
constexpr double LIT_HELD_FOR = 20.0;

// The text as a regular expression that matches exactly itself.
std::string literal(const std::string& text) {
  static const std::regex special(R"([.^$|()\[\]{}*+?\\])");
  return std::regex_replace(text, special, R"(\$&)");
}

}  // namespace

void KSEngine::arrived(const std::string& name, std::uint32_t word) {
  if (name.empty()) return;  // not a source this engine opened
  const auto portLabel = label(name);
  const bool mine = !view_.device.empty() && view_.device == name;
  const double now = loop().now();
  const auto shown = [&](const std::string& text) {
    monitor(portLabel, text);
    view_.heard = KSView::Heard{portLabel + "   " + text, mine, now};
    changed();
  };

  const int status = static_cast<int>(word >> 16 & 0xFF);
  if (word >> 28 == 1) {
    if (systemMessages::quiet(status)) return;
    char hex[16];
    std::snprintf(hex, sizeof hex, "SYSTEM %02x", status);
    const auto named = systemMessages::name(status);
    shown(named ? std::string(*named) : std::string(hex));
    return;
  }
  const int nibble = status & 0xF0;
  const auto channel = std::to_string((status & 0x0F) + 1);
  const int d1 = static_cast<int>(word >> 8 & 0x7F);
  const int d2 = static_cast<int>(word & 0x7F);
  const auto ch = "   ch " + channel;
  switch (nibble) {
    case 0xB0:
      monitor(portLabel, "CC " + std::to_string(d1) + " = " + std::to_string(d2) + ch);
      control(name, d1, d2, status & 0x0F, "cc");
      return;
    case 0x90:
    case 0x80: {
      const int velocity = nibble == 0x90 ? d2 : 0;
      monitor(portLabel,
              "NOTE " + std::to_string(d1) + (velocity > 0 ? " = " + std::to_string(velocity) : " off") + ch);
      control(name, d1, velocity, status & 0x0F, "note");
      return;
    }
    case 0xA0:
      shown("NOTE " + std::to_string(d1) + " PRESSURE " + std::to_string(d2) + ch);
      return;
    case 0xC0:
      shown("PROGRAM " + std::to_string(d1) + ch);
      return;
    case 0xD0:
      shown("PRESSURE " + std::to_string(d1) + ch);
      return;
    case 0xE0:
      shown("PITCH BEND " + std::to_string(d2 * 128 + d1) + ch);
      return;
    default:
      return;
  }
}

void KSEngine::monitor(const std::string& portLabel, const std::string& text) {
  monitorAdd(view_.incoming, portLabel, text, loop().now());
  changed();
}

void KSEngine::control(const std::string& port, int number, int value, int channel, const std::string& type) {
  const auto text = (type == "note" ? "N" : "CC") + std::string(" ") + std::to_string(number);
  const bool mine = !view_.device.empty() && view_.device == port;
  view_.heard = KSView::Heard{
      label(port) + "   " + text + " = " + std::to_string(value) + "   ch " + std::to_string(channel + 1),
      mine, loop().now()};
  changed();
  const bool release = type == "note" && value == 0;

  if (view_.detect && !release) {
    view_.detect = false;
    view_.device = port;
    save();
    note("locked to " + label(port) + "  (" + text + " spoke first)");
    return;
  }
  if (view_.learnId && !release) {
    const auto id = *view_.learnId;
    const auto learning = row(id);
    if (!learning) {
      view_.learnId.reset();
      return;
    }
    if (KSRules::type(learning->type) != type) {
      note("LEARN on row " + std::to_string(id) + " takes " +
               (KSRules::type(learning->type) == "note" ? "a NOTE" : "a CC") + " only: " + text + " let pass",
           "let pass");
      return;
    }
    view_.learnId.reset();
    auto stored = learning->dict();
    stored["cc"] = number;
    const auto* special = KSRules::special(learning->kind);
    if (type == "note")
      stored["value"] = "any";
    else if (!(special && special->sweep))
      stored["value"] = value;
    const auto label_ = "row " + std::to_string(id) + " learned " + text;
    if (const auto learnt = replace(*learning, label_, stored)) {
      save();
      note(label_ + " = " + KSRules::valueText(*learnt));
    }
    return;
  }
  if (view_.learnId || view_.detect) return;

  if (mine) {
    for (const auto& r : view_.rows) {
      if (KSRules::type(r.type) != type || r.cc != number) continue;
      if (release) {
        actHeld_.erase(r.id);
        continue;
      }
      if (r.value && *r.value != value) continue;
      actAt_[r.id] = loop().now();
      actHow_[r.id] = view_.on && !view_.capId && KSRules::matches(r, number, value, type) ? "fire" : "heard";
      if (type == "note")
        actHeld_.insert(r.id);
      else
        actHeld_.erase(r.id);
    }
  }
  if (view_.on && mine) fire(port, number, value, channel, type);
}

void KSEngine::fire(const std::string& port, int number, int value, int channel, const std::string& type) {
  const auto text = (type == "note" ? "N" : "CC") + std::string(" ") + std::to_string(number);
  if (!dry_)
    if (const auto line = e16_.feel(view_.rows, type, number, value, channel)) note(*line);
  if (view_.capId) return;
  const auto head = label(port) + "   " + text + " = " + std::to_string(value) + "   →   ";
  for (const auto& act : KSRules::fire(view_.rows, number, value, type)) {
    if (const auto* v = std::get_if<KSRules::VolumeAct>(&act)) {
      const bool ok = setVolume(v->percent);
      note(head + "volume " + std::to_string(v->percent) + "%" +
               (ok ? "" : "  — the Mac has no output device") + (dry_ ? "  (dry)" : ""),
           literal(text) + R"( = \d+.*→)");
    } else if (const auto* k = std::get_if<KSRules::KeyAct>(&act)) {
      postKey(k->key, k->mods);
      note(head + KSRules::chord(k->mods, k->key) + (dry_ ? "  (dry: not pressed)" : ""));
    }
  }
}

void KSEngine::note(const std::string& text, const std::optional<std::string>& collapse) {
  if (collapse) {
    const std::regex pattern(*collapse);
    view_.trace.add(loop().now(), text,
                    [&](const std::string& last) { return std::regex_search(last, pattern); });
  } else {
    view_.trace.add(loop().now(), text);
  }
  changed();
}

void KSEngine::clearTrace() {
  view_.trace.clear();
  changed();
}

void KSEngine::refreshLit() {
  const double now = loop().now();
  std::map<std::int64_t, std::string> fresh;
  for (auto at = actAt_.begin(); at != actAt_.end();) {
    const auto id = at->first;
    const double age = now - at->second;
    const bool held = actHeld_.count(id) > 0;
    if (age < LIT_FOR || (held && age < LIT_HELD_FOR)) {
      if (const auto how = actHow_.find(id); how != actHow_.end()) fresh[id] = how->second;
    } else if (age > LIT_HELD_FOR) {
      actHow_.erase(id);
      actHeld_.erase(id);
      at = actAt_.erase(at);
      continue;
    }
    ++at;
  }
  if (fresh == view_.lit) return;
  view_.lit = std::move(fresh);
  changed();
}
