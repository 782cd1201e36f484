// The TRY button of a row, and the short texts the screens and the status menu show about the engine.
#include "common/system_volume.h"
#include "mackie/core/catalogue.h"
#include "mackie/core/rules.h"
#include "mackie/core/watch.h"
#include "mackie/core/wire.h"
#include "mackie/engine/engine.h"

namespace {

constexpr double TRY_HOLD = 0.25;    // a held button tried by hand is let go after this long
constexpr double TRY_VOLUME = 0.12;  // down, then up: the Mac shows its volume without a change
constexpr double LIT_FOR = 0.3;
constexpr double LIT_HELD_FOR = 20.0;

}  // namespace

void MKEngine::tryRow(const MKRow& r) {
  const auto* c = MKMCU::command(r.command);
  if (!c) return;
  blobSay(MKRules::fromText(r), r.command);
  const auto head = "TRY row " + std::to_string(r.id) + "   →   ";
  const int noteNumber = c->note.value_or(0);
  const auto fireAlone = [&] {
    MKRules::MKHeld fresh;
    MKRules::MKCoarse none;
    return MKRules::fire({r}, MKMsg{r.from, r.number, r.value.value_or(127), std::nullopt}, fresh, none);
  };
  if (c->kind == "button" && c->with) {
    for (const auto& a : fireAlone())
      doAct(a);
    note(head + c->label + "  (" + MKMCU::wire(r.command) + ")");
  } else if (c->kind == "button" && r.how == "hold") {
    noteOn(noteNumber, MKMCU::PRESS);
    after(TRY_HOLD, [noteNumber](MKEngine& engine) { engine.noteOn(noteNumber, MKMCU::RELEASE); });
    note(head + c->label + " held for a quarter second  (note " + std::to_string(noteNumber) + ")");
  } else if (c->kind == "button") {
    pressAndRelease(noteNumber);
    note(head + c->label + "  (note " + std::to_string(noteNumber) + ")");
  } else if (c->kind == "transport") {
    for (const auto& a : fireAlone())
      note(head + c->label + "  (" + doAct(a).value_or("") + ")");
  } else if (c->kind == "jog" || c->kind == "vpot") {
    const bool inverted = r.invert == true;
    const int byte = *MKMCU::signmag(inverted ? -1 : 1);
    const int cc = c->cc.value_or(0);
    ccOut(cc, byte);
    note(head + c->label + ", one click right" + (inverted ? " (inverted: Live goes back)" : "") + "  (CC " +
         std::to_string(cc) + " = " + std::to_string(byte) + ")");
  } else if (c->kind == "fader") {
    const auto middle = MKMCU::fader(64, 7);
    wire(0xE0 | (c->channel.value_or(0) & 0x0F), middle.lsb, middle.msb);
    note(head + c->label + " to the middle");
  } else if (c->kind == "mac") {
    MKAct a;
    a.kind = "mac";
    a.what = c->label;
    a.act = c->act.value_or("");
    a.blob = true;
    doAct(a);
    note(head + c->label + "  (the Mac, not Live)");
  } else if (c->kind == "macvolume") {
    systemVolume::down(services_.keys);
    after(TRY_VOLUME, [](MKEngine& engine) { systemVolume::up(engine.services_.keys); });
    note(head + "the Mac's volume blob, where it stands");
  }
}

std::optional<std::string> MKEngine::lit(std::int64_t id) const {
  const auto found = act_.find(id);
  if (found == act_.end()) return std::nullopt;
  const auto& a = found->second;
  const double age = services_.loop.now() - a.at;
  if (age < LIT_FOR || (a.held && age < LIT_HELD_FOR)) return a.how;
  return std::nullopt;
}

std::string MKEngine::status() {
  if (!running_) return "OFF";
  if (!power()) return "PAUSED";
  if (outRef_ == 0) return "NOTHING TO LIVE";
  if (device().empty()) return "NO DEVICE";
  return "LISTENING · " + label(device());
}

std::pair<std::string, bool> MKEngine::why() {
  if (midi_->names().empty()) return {"no MIDI source is open — is the controller plugged in?", true};
  if (outRef_ == 0)
    return {
        "nothing is open to Live: pick a bus under TO LIVE, and turn the IAC Driver on in Audio MIDI Setup",
        true};
  if (!power()) return {"the switch is OFF: nothing is sent", false};
  if (device().empty()) return {"no device is locked: press DETECT DEVICE and turn a knob", false};
  if (view_.rows.empty()) return {"the table is empty: press + A ROW", false};
  std::string sources;
  for (const auto& name : midi_->names())
    sources += (sources.empty() ? "" : ", ") + label(name);
  return {"listening on " + sources + "  →  " + view_.outName, false};
}

std::string MKEngine::sentLine() const {
  if (outRef_ == 0) return "nothing is open to Live";
  return std::to_string(view_.sent) + " message" + (view_.sent == 1 ? "" : "s") + " sent to " + view_.outName;
}

std::string MKEngine::backLine() {
  if (back().empty()) return "not listening for Live's lights — optional, and it needs a second IAC bus";
  if (!view_.lamps.at) return "listening on " + label(back()) + ", nothing from Live yet";
  std::string shown;
  for (const char* lamp : {"PLAY", "RECORD", "LOOP"}) {
    const auto found = view_.lamps.lit.find(lamp);
    shown += (shown.empty() ? "" : " · ") + std::string(lamp) +
             (found != view_.lamps.lit.end() && found->second ? " on" : " off");
  }
  return "Live's own lights, " + mkAgo(view_.lamps.at, services_.loop.now()) + ":  " + shown;
}
