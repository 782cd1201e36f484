// The MK engine's paced path towards Live (at most one message every 20 ms, 200 waiting at most), letting go
// of held notes, delayed steps, the trace, and the pacing of volume changes (one every 60 ms, the latest
// wins).
#include "common/pacing.h"
#include "common/system_volume.h"
#include "mackie/core/wire.h"
#include "mackie/engine/engine.h"

void MKEngine::wire(int status, int d1, int d2) {
  if (outRef_ == 0) return;
  if (pump_) {
    if (queue_.size() < QUEUE_LIMIT) queue_.push_back({status, d1, d2});
    return;
  }
  wireNow(status, d1, d2);
  pumpNext();
}

void MKEngine::pumpNext() {
  // Each wait starts when the last message left: a tick that came late (a busy machine) then delays the
  // next message too, instead of letting it follow closer than PACE.
  const std::weak_ptr<MKEngine> weak = weak_from_this();
  pump_ = loop().after(PACE, [weak] {
    const auto engine = weak.lock();
    if (!engine) return;
    if (engine->queue_.empty()) {
      engine->pump_.reset();
      return;
    }
    const auto [s, a, b] = engine->queue_.front();
    engine->queue_.pop_front();
    engine->wireNow(s, a, b);
    engine->pumpNext();
  });
}

void MKEngine::wireNow(int status, int d1, int d2) {
  if (outRef_ == 0 || !midi_->send(outRef_, status, d1, d2)) return;
  if ((status & 0xF0) == 0x90) {
    if (d2 < 1)
      down_.erase(d1);
    else
      down_.insert(d1);
  }
  ++view_.sent;
  dirty_ = true;
}

void MKEngine::noteOn(int note, int velocity) {
  wire(0x90 | MKMCU::CHANNEL, note, velocity);
}

void MKEngine::ccOut(int cc, int value) {
  wire(0xB0 | MKMCU::CHANNEL, cc, value);
}

void MKEngine::pressAndRelease(int note) {
  noteOn(note, MKMCU::PRESS);
  after(RELEASE, [note](MKEngine& engine) { engine.noteOn(note, MKMCU::RELEASE); });
}

void MKEngine::after(double seconds, std::function<void(MKEngine&)> block) {
  const std::weak_ptr<MKEngine> weak = weak_from_this();
  loop().after(seconds, [weak, block = std::move(block)] {
    if (const auto engine = weak.lock()) block(*engine);
  });
}

void MKEngine::letGoOfEverything() {
  // At once, past the queue: a held note must never wait behind a burst, nor be dropped with it.
  for (const int n : down_)
    if (outRef_) midi_->send(outRef_, 0x90 | MKMCU::CHANNEL, n, MKMCU::RELEASE);
  down_.clear();
  held_.clear();
}

void MKEngine::note(const std::string& text, const std::optional<std::string>& collapse) {
  if (collapse)
    view_.trace.add(loop().now(), text,
                    [&](const std::string& last) { return last.find(*collapse) != std::string::npos; });
  else
    view_.trace.add(loop().now(), text);
  dirty_ = true;
}

void MKEngine::setVolume(double percent, bool visible) {
  vol_.want = percent;
  vol_.blob = visible;
  const double wait = secondsUntilDue(vol_.at, VOL_EVERY, loop().now());
  if (wait <= 0) {
    applyVolume();
  } else if (!vol_.timer) {
    const std::weak_ptr<MKEngine> weak = weak_from_this();
    vol_.timer = loop().after(wait, [weak] {
      if (const auto engine = weak.lock()) engine->applyVolume();
    });
  }
}

void MKEngine::applyVolume() {
  vol_.timer.reset();
  if (!vol_.want) return;
  const double percent = *vol_.want;
  vol_.want.reset();
  vol_.at = loop().now();
  if (vol_.blob)
    systemVolume::toward(services_.audio, services_.keys, percent);
  else
    systemVolume::set(services_.audio, percent);
}
