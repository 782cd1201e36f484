// Capturing a key press system-wide: while capturing, every key-down is swallowed (it reaches no application)
// and handed over as the key table's virtual key code and the key-event flags.
#pragma once

#include <cstdint>
#include <functional>

class KeyCapture {
 public:
  // Called on any thread with each swallowed key-down.
  using Pressed = std::function<void(std::uint16_t code, std::uint64_t flags)>;

  virtual ~KeyCapture() = default;
  // Why the last start() was refused.
  enum class Refusal { notAllowed, keyboardHeld };

  // False when the system refuses (the permission is missing, or another program holds the keyboard); nothing
  // is captured then.
  virtual bool start(Pressed pressed) = 0;
  virtual Refusal refusal() const { return Refusal::notAllowed; }
  // Safe at any time, also when not capturing.
  virtual void stop() = 0;
};
