// A hot-key system that grants every chord (or refuses the ones a test names) and records what is held.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <utility>

#include "platform/hot_keys.h"

class FakeHotKeySystem : public HotKeySystem {
 public:
  struct Held {
    std::uint32_t key;
    std::uint32_t modifiers;
    std::uint32_t number;
  };
  std::set<std::pair<std::uint32_t, std::uint32_t>> refused;  // (key, modifiers) another program holds
  std::map<Handle, Held> held;

  std::optional<Handle> registerKey(std::uint32_t key, std::uint32_t modifiers,
                                    std::uint32_t number) override {
    if (refused.count({key, modifiers})) return std::nullopt;
    held[next_] = {key, modifiers, number};
    return next_++;
  }
  void unregisterKey(Handle handle) override { held.erase(handle); }

 private:
  Handle next_ = 1;
};
