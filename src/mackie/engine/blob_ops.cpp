// The engine's side of the command blob: its settings, making it on first need, and the controls the screens
// and the status menu offer.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "common/live_app.h"
#include "mackie/core/wire.h"
#include "mackie/engine/engine.h"

namespace {

constexpr double DEFAULT_SIZE = 22;
constexpr double DEFAULT_HOLD = 1.0;
constexpr double HOLD_MIN = 0.3;
constexpr double HOLD_MAX = 10.0;

double number(const nlohmann::json& conf, const char* key, double fallback) {
  const auto found = conf.find(key);
  return found != conf.end() && found->is_number() ? found->get<double>() : fallback;
}

// A stored coordinate: truncated to a whole point, and nothing for what is not a usable number.
std::optional<std::int64_t> whole(std::optional<double> x) {
  if (!x || !std::isfinite(*x) || std::abs(*x) > 1e15) return std::nullopt;
  return static_cast<std::int64_t>(*x);
}

}  // namespace

double MKEngine::blobSize() const {
  return number(conf_, "blobSize", DEFAULT_SIZE);
}

double MKEngine::blobHold() const {
  return number(conf_, "blobHold", DEFAULT_HOLD);
}

void MKEngine::blobMake() {
  if (blob_ || !services_.blobWindow) return;
  std::optional<geometry::Point> place;
  const auto pos = conf_.find("blobPos");
  if (pos != conf_.end() && pos->is_object()) {
    const auto x = pos->find("x");
    const auto y = pos->find("y");
    if (x != pos->end() && y != pos->end() && x->is_number() && y->is_number())
      place = geometry::Point{x->get<double>(), y->get<double>()};
  }
  Workspace& workspace = services_.workspace;
  blob_ = std::make_shared<MKBlob>(services_.blobWindow(), loop(), workspace, blobSize(), place,
                                   [&workspace] { return liveScreen(workspace); });
  const std::weak_ptr<MKEngine> weak = weak_from_this();
  blob_->moved = [weak](std::optional<double> x, std::optional<double> y) {
    const auto engine = weak.lock();
    if (!engine) return;
    const auto wx = whole(x);
    const auto wy = whole(y);
    if (wx && wy)
      engine->conf_["blobPos"] = {{"x", *wx}, {"y", *wy}};
    else
      engine->conf_.erase("blobPos");
    engine->save();
  };
  blob_->resized = [weak](double size) {
    if (const auto engine = weak.lock()) {
      engine->conf_["blobSize"] = static_cast<int>(size);
      engine->save();
    }
  };
  blob_->closed = [weak] {
    if (const auto engine = weak.lock()) {
      engine->conf_["blob"] = false;
      engine->save();
      engine->blob_->hideNow();
    }
  };
}

void MKEngine::blobSay(const std::string& text, const std::string& commandId) {
  const auto on = conf_.find("blob");
  if (on != conf_.end() && on->is_boolean() && !on->get<bool>()) return;
  blobMake();
  if (blob_) blob_->say(MKBlob::line(text, MKMCU::shortName(commandId)), blobHold());
}

void MKEngine::toggleBlob() {
  const auto stored = conf_.find("blob");
  // Only a stored false turns it on: anything else, also a value that is not a boolean, counts as on.
  const bool on = stored != conf_.end() && stored->is_boolean() && !stored->get<bool>();
  conf_["blob"] = on;
  save();
  if (!on) {
    if (blob_) blob_->hideNow();
  } else {
    blobSay("the toast", "playstop");
  }
  note(on ? "the command blob is on" : "the command blob is off");
}

void MKEngine::blobHome() {
  blobMake();
  if (blob_) blob_->home();
  conf_.erase("blobPos");
  conf_["blob"] = true;
  save();
  blobSay("the toast", "playstop");
  note("the command blob went back to the top of Live's screen");
}

void MKEngine::setBlobHold(double seconds) {
  // What is not a number of seconds reads as the screen's own default.
  const double hold = std::clamp(std::isfinite(seconds) ? seconds : 1.4, HOLD_MIN, HOLD_MAX);
  conf_["blobHold"] = hold;
  save();
  char text[64];
  std::snprintf(text, sizeof text, "the command blob stays for %.1f s", hold);
  note(text);
}
