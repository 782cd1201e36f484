// Global hot keys: key chords that reach this application while another one is in front.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>

#include "platform/guarded_call.h"

class HotKeySystem {
 public:
  using Handle = std::uint64_t;

  virtual ~HotKeySystem() = default;
  // Registers a chord (the key table's virtual key code, and a modifier mask: command 0x100, shift 0x200,
  // option 0x800, control 0x1000) under `number`; nothing when the system refuses it (another program holds
  // it).
  virtual std::optional<Handle> registerKey(std::uint32_t key, std::uint32_t modifiers,
                                            std::uint32_t number) = 0;
  virtual void unregisterKey(Handle handle) = 0;
  // From now on, `pressed` is called, on any thread, with the number of a registered chord that was pressed;
  // an empty function ends the calls. Returns only once no call of the function it replaces is under way, so
  // that whatever that one reaches may go as soon as this returns. Never call it from `pressed`.
  void onPress(std::function<void(std::uint32_t number)> pressed) { pressed_.set(std::move(pressed)); }

 protected:
  // A registered chord was pressed; from any thread.
  void tellPressed(std::uint32_t number) { pressed_(number); }

 private:
  GuardedCall<std::uint32_t> pressed_;
};
