// A hot-key system that a test drives: it records what is registered, refuses chords on request, and presses
// a registered number as the system's own thread would.
#pragma once

#include <map>
#include <set>

#include "platform/hot_keys.h"

class FakeHotKeys : public HotKeySystem {
 public:
  struct Registered {
    std::uint32_t key, modifiers, number;
  };
  std::map<Handle, Registered> registered;
  std::set<std::uint32_t> refusedKeys;  // held by another program

  std::optional<Handle> registerKey(std::uint32_t key, std::uint32_t modifiers,
                                    std::uint32_t number) override {
    if (refusedKeys.count(key)) return std::nullopt;
    registered[next_] = {key, modifiers, number};
    return next_++;
  }
  void unregisterKey(Handle handle) override { registered.erase(handle); }
  void press(std::uint32_t number) { tellPressed(number); }

 private:
  Handle next_ = 1;
};
