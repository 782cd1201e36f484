// Global hot keys as passive X key grabs on the root window, on a connection and a thread of their own.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/hot_keys.h"

class X11HotKeys : public HotKeySystem {
 public:
  // `display` names the X display to use; nothing means the one in DISPLAY.
  explicit X11HotKeys(std::optional<std::string> display = std::nullopt);
  // Gives up every grab and ends the thread.
  ~X11HotKeys() override;
  X11HotKeys(const X11HotKeys&) = delete;
  X11HotKeys& operator=(const X11HotKeys&) = delete;

  // Grabs the chord under every combination of Caps Lock and Num Lock, so that it works whatever locks are
  // on. Nothing when another client holds any of them (no grab is kept then), when the key has no key code on
  // this keyboard, when this object already holds the chord, or when there is no display. The first call
  // after the server went away opens the display again and grabs the chords held before anew (their handles
  // stay).
  std::optional<Handle> registerKey(std::uint32_t key, std::uint32_t modifiers,
                                    std::uint32_t number) override;
  void unregisterKey(Handle handle) override;

 private:
  struct Connection;  // the X side, kept out of this header
  std::unique_ptr<Connection> x_;
};
