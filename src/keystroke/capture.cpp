// Capturing a row's key from the keyboard: the next key press anywhere is swallowed and becomes the row's key
// and modifiers; Escape, a key without a name and 15 seconds of nothing leave the row as it was.
#include "keystroke/engine.h"
#include "keystroke/keys.h"
#include "keystroke/rules.h"

void KSEngine::capture(std::int64_t id) {
  if (view_.capId == id) {
    captureStop();
    return;
  }
  view_.detect = false;
  view_.learnId.reset();
  captureStart(id);
}

void KSEngine::captureStart(std::int64_t id) {
  captureStop();
  if (!row(id)) return;
  const std::weak_ptr<KSEngine> weak = weak_from_this();
  Loop& mainLoop = loop();
  // The hook calls back on its own thread: only the key is handed over, the rest happens on the loop.
  const bool started = services_.capture.start([weak, &mainLoop](std::uint16_t code, std::uint64_t flags) {
    mainLoop.post([weak, code, flags] {
      if (const auto engine = weak.lock()) engine->captured(code, flags);
    });
  });
  if (!started) {
    note(services_.capture.refusal() == KeyCapture::Refusal::keyboardHeld
             ? "the key cannot be captured: another program holds the keyboard"
             : "the key cannot be captured: allow Accessibility for Orvane VUDA Verer");
    return;
  }
  view_.capId = id;
  capStop_ = loop().after(CAPTURE_FOR, [weak] {
    const auto engine = weak.lock();
    if (!engine || !engine->view_.capId) return;
    engine->captureStop();
    engine->note("nothing was pressed: the key was left as it was");
  });
  changed();
}

void KSEngine::captureStop() {
  if (view_.capId) services_.capture.stop();
  if (capStop_) capStop_->cancel();
  capStop_.reset();
  if (view_.capId) changed();
  view_.capId.reset();
}

void KSEngine::captured(std::uint16_t code, std::uint64_t flags) {
  if (!view_.capId) return;
  const auto id = *view_.capId;
  captureStop();
  const auto name = KS_KEYNAMES().find(code);
  if (name == KS_KEYNAMES().end()) {
    note("that key has no name I know");
    return;
  }
  if (name->second == "escape") {
    note("the key was left as it was");
    return;
  }
  std::vector<std::string> mods;
  if (flags & FLAG_COMMAND) mods.emplace_back("cmd");
  if (flags & FLAG_ALTERNATE) mods.emplace_back("alt");
  if (flags & FLAG_SHIFT) mods.emplace_back("shift");
  if (flags & FLAG_CONTROL) mods.emplace_back("ctrl");
  // The system sets fn by itself on the function, arrow and navigation keys (codes 96 to 126).
  if ((flags & FLAG_SECONDARY_FN) && (code < 96 || code > 126)) mods.emplace_back("fn");
  const auto r = row(id);
  if (!r) return;
  auto stored = r->dict();
  stored["key"] = name->second;
  stored["mods"] = mods;
  stored["kind"] = "key";
  const auto chord = KSRules::chord(mods, name->second);
  if (!replace(*r, "row " + std::to_string(id) + ": key " + chord, stored)) return;
  save();
  note("row " + std::to_string(id) + " took the key " + chord);
}
