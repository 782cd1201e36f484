// The MK engine's message path: a raw message is recorded for the monitor, detects or learns, marks the rows
// it reaches, and fires the table; each action is done and traced.
#include <cmath>
#include <utility>

#include "common/loose_value.h"
#include "common/system_volume.h"
#include "mackie/core/catalogue.h"
#include "mackie/core/handshake.h"
#include "mackie/core/packets.h"
#include "mackie/core/rules.h"
#include "mackie/core/watch.h"
#include "mackie/core/wire.h"
#include "mackie/engine/engine.h"

namespace {

std::string kindOf(const MKMsg& msg) {
  return msg.from == "note" ? "NOTE" : "CC";
}

}  // namespace

void MKEngine::receivedWords(const std::string& port, std::span<const std::uint32_t> words) {
  // A DAW asks whoever listens on its Mackie port; the controller never asks.
  if (port != device() && MKMCU::holdsDeviceQuery(words)) answerDeviceQuery(port);
  for (const auto& raw : MKMCU::readPackets(words))
    received(port, raw);
}

void MKEngine::answerDeviceQuery(const std::string& port) {
  if (outRef_ == 0 || !midi_->sendSysex(outRef_, MKMCU::DEVICE_ANSWER)) return;
  // A DAW asks again at every new connection to its port: the trace says it once.
  if (std::exchange(answered_, true)) return;
  note("the DAW asked on " + label(port) + " for a Mackie Control surface — answered on " + view_.outName);
}

void MKEngine::received(const std::string& port, const MKMCU::MKRaw& raw) {
  const double now = loop().now();
  const bool quiet = MKWatch::quiet(raw);
  if (!quiet) {
    monitorAdd(view_.incoming, label(port), MKWatch::describe(raw), now);
    dirty_ = true;
  }

  const int nibble = raw.status & 0xF0;
  if (raw.system || (nibble != 0x80 && nibble != 0x90 && nibble != 0xB0)) {
    if (!quiet) {
      view_.heard = MKView::Heard{label(port) + "   " + MKWatch::describe(raw),
                                  !port.empty() && names("device", port), now};
    }
    return;
  }

  MKMsg msg;
  msg.from = nibble == 0xB0 ? "cc" : "note";
  msg.number = raw.d1;
  msg.value = nibble == 0x80 ? 0 : raw.d2;
  msg.channel = raw.status & 0x0F;

  if (nibble == 0x90 && !port.empty() && names("back", port)) {
    const auto lamp = LAMP().find(raw.d1);
    if (lamp != LAMP().end()) {
      view_.lamps.lit[lamp->second] = raw.d2 > 0;
      view_.lamps.at = now;
    }
  }
  onMessage(port, msg);
}

void MKEngine::onMessage(const std::string& port, const MKMsg& msg) {
  const double now = loop().now();
  const auto kind = kindOf(msg);
  const auto what = kind + " " + std::to_string(msg.number);
  const bool mine = !port.empty() && names("device", port);
  view_.heard = MKView::Heard{label(port) + "   " + what + " = " + std::to_string(msg.value) + "   ch " +
                                  std::to_string(msg.channel.value_or(0) + 1),
                              mine, now};
  dirty_ = true;

  if (view_.detect) {
    // This module sends on an IAC bus or through the kernel's loopback port: what comes back there is its
    // own.
    if (port.rfind("Bus ", 0) == 0 || loose::lowered(port).rfind("midi through", 0) == 0) {
      note("that is an IAC bus, where this app SENDS - turn a knob on the controller instead");
      return;
    }
    view_.detect = false;
    conf_["device"] = port;
    save();
    note("locked to " + label(port) + "  (" + what + " spoke first)");
    return;
  }

  const bool release = msg.from == "note" && msg.value == 0;
  if (view_.learnId) {
    const auto id = *view_.learnId;
    const auto learning = row(id);
    if (!learning) {
      view_.learnId.reset();
      return;
    }
    if (learning->from != msg.from) {
      note("LEARN on row " + std::to_string(id) + " takes " + (learning->from == "note" ? "a NOTE" : "a CC") +
           " only: " + what + " let pass");
    } else if (!release) {
      view_.learnId.reset();
      auto stored = learning->dict();
      stored["number"] = msg.number;
      if (!MKRules::sweeps(*learning)) stored["value"] = msg.value;
      const auto learnt = MKRules::clean(stored).row;
      if (!learnt) return;
      const auto from = MKRules::fromText(*learnt);
      change("row " + std::to_string(id) + " learned " + from, [&] {
        const auto at =
            std::find_if(view_.rows.begin(), view_.rows.end(), [&](const MKRow& r) { return r.id == id; });
        if (at != view_.rows.end()) *at = *learnt;
      });
      note("row " + std::to_string(id) + " learned " + from + " = " + MKRules::valueText(*learnt));
      return;
    }
  }

  if (!mine) return;
  const bool on = power();
  for (const auto& entry : index_.reached(msg.from, msg.number)) {
    const auto& r = view_.rows[entry.at];
    const bool lowerHalf = msg.number != r.number;  // of a fine fader's pair: it lights the row all the same
    if (release) {
      if (const auto a = act_.find(r.id); a != act_.end()) a->second.held = false;
    } else if (lowerHalf || !r.value || r.value == msg.value) {
      const bool fires = on && (lowerHalf ? r.on : MKRules::matches(r, msg));
      act_[r.id] = {now, fires ? "fire" : "heard", msg.from == "note"};
    }
  }
  if (!on) return;
  fireMessage(msg);
}

void MKEngine::fireMessage(const MKMsg& msg) {
  const auto& index = index_;
  if (const auto line =
          rings().feel(index.lights(msg.from, msg.number), msg.from, msg.number, msg.value, msg.channel))
    note(*line);
  const auto acts = MKRules::fire(view_.rows, index, msg, held_, coarse_);
  if (acts.empty()) return;
  const auto control = kindOf(msg) + " " + std::to_string(msg.number) + " = ";
  const auto text = control + std::to_string(msg.value);
  std::vector<std::string> lines;
  for (const auto& a : acts) {
    if (blobOn()) {
      blobMake();
      if (blob_)
        blob_->say(MKBlob::line(MKRules::fromText(a.row), MKMCU::shortName(a.row.command)), blobHold());
    }
    if (a.rel) {
      spin(a, text);
      continue;
    }
    lines.push_back(actLine(a, text, doAct(a)));
  }
  // A control being moved keeps its lines up to date instead of filling the trace, one line per row it fired.
  if (!lines.empty()) {
    view_.trace.replaceRun(loop().now(), lines, control);
    dirty_ = true;
  }
}

std::string MKEngine::actLine(const MKAct& a, const std::string& text,
                              const std::optional<std::string>& result) {
  std::string line = text + "   →   ";
  if (a.kind == "pitch") {
    line += a.what + "  (pitch bend " + std::to_string(a.msb * 128 + a.lsb) + ")";
  } else if (a.kind == "mac") {
    line += a.what + "  (the Mac, not Live)";
  } else if (a.kind == "macvolume") {
    line += "the Mac's volume " + std::to_string(static_cast<int>(a.percent + 0.5)) + "%" +
            (a.blob ? "  (its own blob)" : "  (silent)");
  } else if (a.kind == "transport") {
    line += a.what + "  (" + result.value_or("") + ")";
  } else if (a.kind == "combo") {
    line += a.what + "  (" + MKMCU::wire(a.row.command) + ")";
  } else {
    line += a.what + "  (note " + std::to_string(a.note) + ")";
  }
  if (outRef_ == 0 && a.kind != "mac" && a.kind != "macvolume") line += "   — BUT NOTHING IS OPEN TO LIVE";
  return line;
}

std::optional<std::string> MKEngine::doAct(const MKAct& a) {
  constexpr int noteOnStatus = 0x90 | MKMCU::CHANNEL;
  if (a.kind == "mac") {
    if (a.act == "up") systemVolume::up(services_.keys);
    if (a.act == "down") systemVolume::down(services_.keys);
    if (a.act == "mute") systemVolume::mute(services_.keys);
  } else if (a.kind == "macvolume") {
    setVolume(a.percent, a.blob);
  } else if (a.kind == "combo") {
    for (const auto& part : a.parts)
      wire(noteOnStatus, part.note, part.velocity);
  } else if (a.kind == "transport") {
    return playStop(a);
  } else if (a.kind == "note") {
    if (a.release)
      pressAndRelease(a.note);
    else
      wire(noteOnStatus, a.note, a.velocity);
  } else if (a.kind == "pitch") {
    wire(0xE0 | (a.channel & 0x0F), a.lsb, a.msb);
  } else {
    wire(0xB0 | MKMCU::CHANNEL, a.number, a.value);
  }
  return std::nullopt;
}
