// Posting key events to whatever application is in front, and the system's own sound keys.
// Key codes are the virtual key codes of the key table; flags are the key-event modifier flags.
#pragma once

#include <cstdint>
#include <string>

enum class SoundKey { up = 0, down = 1, mute = 7 };

class KeyOutput {
 public:
  virtual ~KeyOutput() = default;

  // Whether this process may post key events to other applications.
  virtual bool trusted() = 0;
  // Asks the user to allow it; the answer is not waited for.
  virtual void askForTrust() = 0;
  // What stands in the way when not trusted, in one sentence for the user; empty when nothing does.
  virtual std::string trustAdvice() { return ""; }

  // Posts one key-down or key-up event carrying `flags`. False when the event could not be made.
  virtual bool postKey(std::uint16_t code, std::uint64_t flags, bool down) = 0;

  // Presses and releases one sound key, so that the system changes its volume and shows it;
  // `quarter` holds Shift and Option for a quarter step.
  virtual void pressSoundKey(SoundKey key, bool quarter) = 0;
};
