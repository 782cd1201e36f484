// Key strokes for the application in front, made with the X server's XTEST extension on a connection of this
// object's own, opened when first needed and opened again after the server went away.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "platform/key_output.h"

class X11KeyOutput : public KeyOutput {
 public:
  // `display` names the X display to use; nothing means the one in DISPLAY.
  explicit X11KeyOutput(std::optional<std::string> display = std::nullopt);
  // Releases the keys it still holds down and gives back the key codes it borrowed.
  ~X11KeyOutput() override;
  X11KeyOutput(const X11KeyOutput&) = delete;
  X11KeyOutput& operator=(const X11KeyOutput&) = delete;

  // An X display with the XTEST extension is reachable.
  bool trusted() override;
  // Tries to reach the display again.
  void askForTrust() override;
  std::string trustAdvice() override;
  // A keysym with no key on this keyboard (F13 on many layouts, the keypad digits, which sit on a second
  // level) is put on a spare key code for as long as this object lives: changing it back at once would race
  // the receiving application, which reads the mapping only when it gets to the event. Keys are found in the
  // keyboard group (layout) active now, so that a chord arrives as the same keysym under any layout; one that
  // the active layout lacks is borrowed the same way. False when fn, no display, or no spare key code.
  bool postKey(std::uint16_t code, std::uint64_t flags, bool down) override;
  void pressSoundKey(SoundKey key, bool quarter) override;

 private:
  struct Connection;  // the X side, kept out of this header
  std::mutex mutex_;
  std::unique_ptr<Connection> x_;
};
