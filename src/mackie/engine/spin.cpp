// Jog, tempo and V-Pot turns, merged per row and sent at a fixed pace; and the one-button PLAY / STOP, which
// asks Live whether it plays, waits for the state to settle, and after stopping plants the insert point.
#include <cstdio>
#include <cstdlib>

#include "mackie/core/wire.h"
#include "mackie/engine/engine.h"

namespace {

constexpr int CONTROL_NOTE = 72;  // held towards Live, it turns the jog wheel into the tempo
constexpr int VPOT_STEPS = 4;     // most V-Pot steps per row per tick

// "+9 clicks", "-1 step": the signed count and the word, plural unless one.
std::string counted(int signedCount, const char* word) {
  char text[32];
  std::snprintf(text, sizeof text, "%+d %s%s", signedCount, word, std::abs(signedCount) == 1 ? "" : "s");
  return text;
}

}  // namespace

void MKEngine::spin(const MKAct& a, const std::string& line) {
  auto& entry = spins_[a.row.id];
  entry.clicks += a.clicks;
  entry.cc = a.number;
  entry.rel = a.rel.value_or("jog");
  entry.what = a.what;
  entry.line = line;
  if (spinTimer_) return;
  const std::weak_ptr<MKEngine> weak = weak_from_this();
  spinTimer_ = loop().every(SPIN_EVERY, [weak] {
    if (const auto engine = weak.lock()) engine->flushSpin();
  });
  flushSpin();
}

void MKEngine::flushSpin() {
  bool any = false;
  for (auto& [id, e] : spins_) {
    if (e.clicks == 0) continue;
    any = true;
    if (e.rel == "jog") {
      const bool tempo = down_.count(CONTROL_NOTE) > 0;
      const auto b = tempo ? MKMCU::tempoByteForClicks(e.clicks) : MKMCU::jogByteForClicks(e.clicks);
      ccOut(e.cc, b->byte);
      e.clicks += e.clicks > 0 ? -b->used : b->used;
      note(e.line + "   →   " + e.what + "  " + counted(b->byte > 63 ? -b->used : b->used, "click") +
               (tempo ? "  (CONTROL is down: the TEMPO)" : "") + "  (CC " + std::to_string(e.cc) + " = " +
               std::to_string(b->byte) + ")",
           e.line);
    } else {
      const int n = std::min(std::abs(e.clicks), VPOT_STEPS);
      const bool right = e.clicks > 0;
      for (int i = 0; i < n; ++i)
        ccOut(e.cc, right ? 1 : 65);
      e.clicks += right ? -n : n;
      note(e.line + "   →   " + e.what + "  " + counted(right ? n : -n, "step") + "  (CC " +
               std::to_string(e.cc) + ")",
           e.line);
    }
  }
  if (!any && spinTimer_) {
    spinTimer_->cancel();
    spinTimer_.reset();
  }
}

std::string MKEngine::playStop(const MKAct& a) {
  const auto playing = live_->isPlaying();
  if (!playing) {
    // Any Mackie DAW lights its own PLAY lamp: heard on the lights port, it says whether the DAW plays.
    if (const auto lamp = view_.lamps.lit.find("PLAY"); lamp != view_.lamps.lit.end()) {
      const int pressed = lamp->second ? a.stop : a.play;
      pressAndRelease(pressed);
      return std::string(lamp->second ? "STOP" : "PLAY") + " (note " + std::to_string(pressed) +
             ": Live could not be asked, and the DAW's PLAY lamp is " + (lamp->second ? "lit" : "dark") + ")";
    }
    for (const auto& part : a.parts)
      noteOn(part.note, part.velocity);
    return "SHIFT + PLAY (Live could not be asked: its own playhead, not the insert point)";
  }
  const bool was = *playing;
  after(GUARD, [a, was](MKEngine& engine) {
    const auto now = engine.live_->saysNow();
    if (!was) {
      if (now != true) engine.pressAndRelease(a.play);
      engine.live_->expect(true);
      return;
    }
    if (now != false) engine.pressAndRelease(a.stop);
    engine.plant(a.number);
    engine.live_->expect(false);
  });
  if (!was)
    return "PLAY (note " + std::to_string(a.play) + ", only if Live is still stopped) from the insert point";
  return "STOP (note " + std::to_string(a.stop) +
         ", only if Live is still playing) and the insert point planted on the playhead (CC " +
         std::to_string(a.number) + ")";
}

void MKEngine::plant(int cc) {
  const auto forward = MKMCU::jogByteForClicks(1);
  const auto back = MKMCU::jogByteForClicks(-1);
  if (!forward || !back) return;
  after(PLANT_AFTER, [cc, f = forward->byte, b = back->byte](MKEngine& engine) {
    engine.ccOut(cc, f);
    engine.after(PLANT_GAP, [cc, b](MKEngine& e) { e.ccOut(cc, b); });
  });
}
