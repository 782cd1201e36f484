// Global hot keys: key chords that reach this application while another one is in front.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>

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
  // Called, on any thread, with the number of a registered chord that was pressed.
  std::function<void(std::uint32_t number)> pressed;
};
