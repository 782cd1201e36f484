// The ring logic both modules share (see the header): what a push lights, what a release puts back, which
// rings follow the volume and when, and the texts that explain a row's ring or a colour change.
#include "e16/ring_driver.h"

#include <cmath>
#include <filesystem>
#include <utility>

#include "e16/colour_helper.h"

namespace e16 {

namespace {

// A knob turned this recently is in the user's hand: its ring shows what the hand sets, not the volume.
constexpr double HAND_TURN = 1.0;

std::string turnKey(int cc, int channel) {
  return std::to_string(cc) + ":" + std::to_string(channel);
}

// An empty function must not throw out of a MIDI callback; it simply sends nothing.
bool sendRing(const RingDriver::Send& send, int cc, int value, int channel) {
  return send && send(cc, value, channel);
}

}  // namespace

RingDriver::RingDriver(const Clock& clock, std::string documents, FolderLinks links)
    : reader(clock, std::move(documents), links), clock_(clock) {}

std::optional<std::string> RingDriver::feel(bool lights, std::string_view type, int number, int value,
                                            std::optional<int> channel, const Send& send) {
  // Turns are remembered whether or not a row asks for a ring: a later release puts the turned value back.
  if (type == "cc") {
    knobAt[number] = {clock_.now(), value, channel};
    if (const auto turn = reader.knobFor("cc", number, channel); turn && !turn->push)
      turned[turnKey(turn->cc, channel.value_or(turn->ch))] = value;
  }
  if (!lights) return std::nullopt;

  const auto k = reader.knobOrGuess(type, number, channel);
  if (!k || !k->push) return std::nullopt;

  const int c = channel.value_or(k->ch);
  const auto found = turned.find(turnKey(k->cc, c));
  const int prev = found == turned.end() ? 0 : found->second;
  const int ring = value > 0 ? 127 : prev;
  const bool ok = sendRing(send, k->cc, ring, c);
  // A release may have darkened a followed ring; the next pass sends every level again.
  if (value == 0) sent.clear();

  std::string line = "LED: knob " + std::to_string(k->knob) + " ";
  line += k->guessed ? "(by the default layout)" : "on page " + std::to_string(k->page);
  line += value > 0 ? " lit" : prev > 0 ? " back to its value" : " dark";
  line += "  (CC " + std::to_string(k->cc) + " = " + std::to_string(ring) + " on USB3, ch " +
          std::to_string(c + 1) + ")";
  if (!ok) line += "  — NOT SENT: the E16's USB3 is not there";
  return line;
}

void RingDriver::follow(int level, const std::vector<int>& ccs, const Send& send) {
  const double now = clock_.now();
  for (const int n : ccs) {
    const auto at = knobAt.find(n);
    const auto k = reader.knobFor("cc", n, at == knobAt.end() ? std::nullopt : at->second.channel);
    if (!k || !k->abs || k->push) continue;
    const std::string key = std::to_string(k->page) + ":" + std::to_string(k->knob);
    // A time ahead of the clock (the clock was set back) is not a recent turn, or following would stop
    // until the clock caught up.
    const auto hand = knobAt.find(k->cc);
    const double since = hand == knobAt.end() ? HAND_TURN : now - hand->second.at;
    if (since >= 0 && since < HAND_TURN) {
      // Recorded as shown, so the ring is not pulled back to the volume the moment the hand stops.
      sent[key] = level;
      continue;
    }
    if (const auto last = sent.find(key); last != sent.end() && last->second == level) continue;
    // Only a delivered level counts as shown, so a failed send is tried again next pass.
    if (sendRing(send, k->cc, level, k->ch)) sent[key] = level;
  }
}

RingAbout RingDriver::about(std::string_view type, int number, bool isVolume) {
  const std::string what = (type == "note" ? "NOTE " : "CC ") + std::to_string(number);
  const auto k = reader.knobFor(type, number, std::nullopt);
  if (!k) {
    if (type == "note" && number >= 1 && number <= 16) {
      const std::string n = std::to_string(number);
      return {true, std::nullopt, -1, "",
              "no saved scene sends " + what + ", so it lights knob " + n + " through CC " + n +
                  ", the E16's default layout, while it is held"};
    }
    return {false, std::nullopt, -1, "", "no knob in the E16's scene sends " + what + ": nothing to light"};
  }

  RingAbout out{false, k->colour, k->index, "knob " + std::to_string(k->knob), ""};
  if (!k->name.empty()) out.knob += " (" + k->name + ")";
  out.knob += " on page " + std::to_string(k->page);
  if (k->push) {
    out.can = true;
    out.says = out.knob + " lights in its scene colour while " + what + " is held";
    if (k->turn == 0)
      out.says +=
          " — but its TURN is Off in the scene: set it to CC Abs in the OXI App, or the ring stays dark";
    else if (k->turn != 3)
      out.says += " — its TURN is relative in the scene, and a relative ring may not light";
  } else if (!k->abs) {
    out.says = out.knob + " is relative: its ring has no value to show";
  } else if (!isVolume) {
    out.says = out.knob + " already shows its own value: nothing comes back to it from here";
  } else {
    out.can = true;
    out.says = out.knob + ": the ring follows the Mac's volume, also from the keyboard";
  }
  return out;
}

void RingDriver::setColour(std::string_view type, int number, int colour, const RunHelper& run,
                           std::function<std::string(const std::string& error)> notStarted, Say say) {
  if (colour < 0 || colour > 99) return say("a colour is a number from 0 to 99");
  const auto k = reader.knobFor(type, number, std::nullopt);
  const auto scene = reader.path();
  if (!k || !scene) return say("no knob in the E16's scene answers this row: nothing to colour");
  // One at a time: two helpers rewriting one scene at once could each undo the other's change.
  if (colouring_) return say(std::string(HELPER_BUSY));

  colouring_ = true;
  // `this` is safe: the helper belongs to this object and is stopped with it, so its result cannot outlive
  // it.
  auto started =
      run(*scene, k->page, k->knob, colour,
          [this, knob = *k, path = *scene, colour, notStarted = std::move(notStarted),
           say = std::move(say)](const ProcessResult& r) {
            colouring_ = false;
            helper_.reset();
            ++coloursDone_;
            if (!r.started) return say(notStarted(r.error));
            // Whatever happened, the file may have changed within the same time stamp.
            reader.forget();
            if (r.timedOut) return say(std::string(HELPER_TIMED_OUT));
            if (r.status != 0) return say("the scene was not changed: " + r.output);
            say("knob " + std::to_string(knob.knob) + " on page " + std::to_string(knob.page) + " of " +
                std::filesystem::path(path).stem().string() + " is now colour " + std::to_string(colour) +
                " (it was " + r.output + "): send the scene to the E16 from the OXI App");
          });
  // A helper that answered before this returned is over already.
  if (colouring_) helper_ = std::move(started);
}

int ringLevel(double fraction) {
  const double level = std::floor(fraction * 127 + 0.5);
  // Clamped while still a double: a reading out of range (or infinite) must not overflow the conversion.
  if (std::isnan(level) || level <= 0) return 0;
  if (level >= 127) return 127;
  return static_cast<int>(level);
}

}  // namespace e16
