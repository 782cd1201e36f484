// The permissions watch (see the header).
#include "keystroke/permissions.h"

const std::vector<std::string>& Permissions::NEEDED() {
  static const std::vector<std::string> needed = {"Accessibility"};
  return needed;
}

Permissions::Permissions(Loop& loop, KeyOutput& keys) : loop_(loop), keys_(keys) {}

std::vector<std::string> Permissions::check() {
  std::vector<std::string> out;
  for (const auto& name : NEEDED())
    if (name == "Accessibility" && !keys_.trusted()) out.push_back(name);
  return out;
}

void Permissions::update() {
  auto now = check();
  if (now == missing) return;
  missing = std::move(now);
  observers_.notify();
}

void Permissions::watch() {
  update();
  if (timer_) timer_->cancel();
  const std::weak_ptr<Permissions> weak = weak_from_this();
  timer_ = loop_.every(CHECK_EVERY, [weak] {
    if (const auto self = weak.lock()) self->update();
  });
}

void Permissions::openMissing() {
  const auto now = check();
  if (now.empty()) return;
  // Posting keys is the one permission; asking for it shows the system's own guidance.
  if (now.front() == "Accessibility") keys_.askForTrust();
}
