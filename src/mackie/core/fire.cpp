// Firing the MK table (see the header).
#include "mackie/core/fire.h"

#include <algorithm>

#include "common/loose_value.h"
#include "mackie/core/catalogue.h"
#include "mackie/core/rules.h"
#include "mackie/core/wire.h"

namespace MKRules {
namespace {

void start(MKAct& a, const MKRow& row, const MKMCU::MKCommand& c, const char* kind) {
  a.row = row;
  a.kind = kind;
  a.what = c.label;
  a.blob = true;
}

// Modifiers down, the note pressed and released, modifiers up in reverse order.
std::vector<MKPart> comboParts(int note, const std::vector<int>& with) {
  std::vector<MKPart> parts;
  for (const int m : with)
    parts.push_back({m, MKMCU::PRESS});
  parts.push_back({note, MKMCU::PRESS});
  parts.push_back({note, MKMCU::RELEASE});
  for (auto m = with.rbegin(); m != with.rend(); ++m)
    parts.push_back({*m, MKMCU::RELEASE});
  return parts;
}

// Fills `a` with the row's action; false when the row asks for nothing this time. Filling in place keeps the
// large action from being copied on the way out.
bool actionOf(MKAct& a, const MKRow& row, const MKMCU::MKCommand& c, int v, MKHeld& held) {
  const int note = c.note.value_or(0);
  if (c.kind == "transport") {
    start(a, row, c, "transport");
    a.note = note;
    a.parts = comboParts(note, {c.shift.value_or(0)});
    a.play = note;
    a.stop = c.stopNote.value_or(0);
    a.number = c.cc.value_or(0);
    return true;
  }
  if (c.kind == "button" && c.with) {
    start(a, row, c, "combo");
    a.note = note;
    a.parts = comboParts(note, *c.with);
    return true;
  }
  if (c.kind == "button" && row.how == "press") {
    start(a, row, c, "note");
    a.note = note;
    a.velocity = MKMCU::PRESS;
    a.release = true;
    return true;
  }
  if (c.kind == "button") {
    const int velocity = v >= 64 ? MKMCU::PRESS : MKMCU::RELEASE;
    const auto last = held.find(row.id);
    if (last != held.end() && last->second == velocity) return false;
    held[row.id] = velocity;
    start(a, row, c, "note");
    a.what += velocity == MKMCU::PRESS ? " down" : " up";
    a.note = note;
    a.velocity = velocity;
    return true;
  }
  if (c.kind == "jog" || c.kind == "vpot") {
    auto d = MKMCU::delta(row.how, v);
    if (!d) return false;
    if (row.invert == true) d = -*d;
    const auto b = MKMCU::signmag(*d);
    if (!b) return false;
    start(a, row, c, "cc");
    a.number = c.cc.value_or(0);
    a.value = *b;
    a.clicks = *d;
    a.rel = c.kind;
    return true;
  }
  if (c.kind == "fader") {
    const auto bend = MKMCU::fader(v, loose::decimalInteger(row.how) == 14 ? 14 : 7);
    start(a, row, c, "pitch");
    a.channel = c.channel.value_or(0);
    a.lsb = bend.lsb;
    a.msb = bend.msb;
    return true;
  }
  if (c.kind == "mac") {
    start(a, row, c, "mac");
    a.act = c.act.value_or("");
    return true;
  }
  if (c.kind == "macvolume") {
    start(a, row, c, "macvolume");
    a.percent = percent(v);
    a.blob = row.how != "silent";
    return true;
  }
  return false;
}

// The position a fine fader row takes from this message, when the message is one half of its pair.
std::optional<int> finePosition(const MKRow& row, const MKMsg& msg, MKCoarse& coarse) {
  if (!row.on || from(msg.from) != "cc") return std::nullopt;
  const auto value = number(msg.value);
  if (!value) return std::nullopt;
  if (msg.number == row.number) {
    coarse[row.id] = *value;
    return *value << 7;
  }
  if (msg.number == row.number + 32) {
    const auto upper = coarse.find(row.id);
    if (upper == coarse.end()) return std::nullopt;
    return upper->second << 7 | *value;
  }
  return std::nullopt;
}

}  // namespace

std::vector<MKAct> fire(const std::vector<MKRow>& rows, const MKRowIndex& index, const MKMsg& msg,
                        MKHeld& held, MKCoarse& coarse) {
  std::vector<MKAct> out;
  for (const auto& entry : index.reached(from(msg.from), msg.number))
    fireRow(out, rows[entry.at], entry.command, entry.fine, msg, held, coarse);
  return out;
}

std::vector<MKAct> fire(const std::vector<MKRow>& rows, const MKMsg& msg, MKHeld& held, MKCoarse& coarse) {
  return fire(rows, MKRowIndex(rows), msg, held, coarse);
}

void fireRow(std::vector<MKAct>& out, const MKRow& row, const MKMCU::MKCommand* c, bool fine,
             const MKMsg& msg, MKHeld& held, MKCoarse& coarse) {
  if (fine) {
    const auto position = finePosition(row, msg, coarse);
    if (!position) return;
    if (out.empty()) out.reserve(4);
    auto& a = out.emplace_back();
    start(a, row, *c, "pitch");
    const auto bend = MKMCU::fader(*position, 14);
    a.channel = c->channel.value_or(0);
    a.lsb = bend.lsb;
    a.msb = bend.msb;
    return;
  }
  if (!c || !matches(row, msg)) return;
  if (out.empty()) out.reserve(4);
  if (!actionOf(out.emplace_back(), row, *c, number(msg.value).value_or(0), held)) out.pop_back();
}

bool finePair(const MKRow& row) {
  // The catalogue lookup last: this runs for every row on every message.
  if (row.number > 31 || row.from != "cc" || loose::decimalInteger(row.how) != 14) return false;
  const auto* c = MKMCU::command(row.command);
  return c && c->kind == "fader";
}

double percent(int v) {
  return std::clamp(v, 0, 127) * 100.0 / 127.0;
}

}  // namespace MKRules
