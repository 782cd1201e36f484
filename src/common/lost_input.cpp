// Telling of lost MIDI input (see the header).
#include "common/lost_input.h"

#include <utility>

#include "common/pacing.h"

LostInput::LostInput(Loop& loop, std::function<void(const std::string&)> note)
    : loop_(loop), note_(std::move(note)) {}

std::string LostInput::text(std::uint64_t count, bool allCounted) {
  const std::string why = ": the computer was too busy";
  if (!allCounted) return "MIDI messages were lost" + why;
  if (count == 1) return "1 MIDI message was lost" + why;
  return std::to_string(count) + " MIDI messages were lost" + why;
}

void LostInput::add(std::uint64_t count) {
  count_ += count;
  uncounted_ = uncounted_ || count == 0;
  if (later_) return;  // a line is due already and will carry these too
  const double wait = secondsUntilDue(lastLine_, EVERY, loop_.now());
  if (wait <= 0) {
    say();
    return;
  }
  later_ = loop_.after(wait, [weak = weak_from_this()] {
    if (const auto self = weak.lock()) {
      self->later_.reset();
      self->say();
    }
  });
}

void LostInput::say() {
  const std::string line = text(count_, !uncounted_);
  count_ = 0;
  uncounted_ = false;
  lastLine_ = loop_.now();
  if (note_) note_(line);
}
