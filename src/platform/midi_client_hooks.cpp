// A backend client's callbacks and input watches (see the header).
#include "platform/midi_client_hooks.h"

void MidiClientHooks::setupChanged() {
  const std::lock_guard lock(mutex_);
  if (!alive_ || !setupChanged_) return;
  try {
    setupChanged_();
  } catch (...) {
  }
}

void MidiClientHooks::watchInput(Loop& loop, int descriptor, std::function<void()> read) {
  if (!disposed_) watches_.push_back(loop.watch(descriptor, std::move(read)));
}

void MidiClientHooks::dispose() {
  {
    const std::lock_guard lock(mutex_);
    alive_ = false;
  }
  disposed_ = true;
  for (const auto& watch : watches_)
    watch->cancel();
}
