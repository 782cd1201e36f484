// The hot-key registry (see the header). Numbers only grow, so a press that arrives after a re-registration
// can never run another chord's action.
#include "shell/hot_keys.h"

HotKeys::HotKeys(HotKeySystem& system, Loop& loop) : system_(system), loop_(loop) {}

HotKeys::~HotKeys() {
  disarm();
  // Waits for a press under way on the system's thread, which must not outlive what it reaches.
  system_.onPress({});
}

void HotKeys::listen() {
  if (listening_) return;
  listening_ = true;
  // The system calls on its own thread; the action runs on the main thread, if the number still has one.
  system_.onPress([weak = weak_from_this(), &loop = loop_](std::uint32_t number) {
    loop.post([weak, number] {
      if (const auto self = weak.lock()) self->pressed(number);
    });
  });
}

void HotKeys::pressed(std::uint32_t number) {
  const auto found = actions.find(number);
  if (found == actions.end()) return;
  const auto action = found->second;  // a copy: the action may re-arm and replace the table
  if (action) action();
}

void HotKeys::set(std::vector<HotKeyWish> list, bool liveInFront) {
  wanted = std::move(list);
  if (liveInFront) arm();
}

void HotKeys::arm() {
  listen();
  disarm();
  for (const auto& wish : wanted) {
    const std::uint32_t number = next++;
    // A chord another program holds is skipped; the others still register.
    if (const auto handle = system_.registerKey(wish.key, wish.modifiers, number)) {
      refs[number] = *handle;
      actions[number] = wish.action;
    }
  }
}

void HotKeys::disarm() {
  for (const auto& [number, handle] : refs)
    system_.unregisterKey(handle);
  refs.clear();
  actions.clear();
}
