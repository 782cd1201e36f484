// Capturing the next key press system-wide by grabbing the whole X keyboard on a connection and a thread of
// its own, so that the key reaches no other application.
#pragma once

#include <chrono>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "platform/key_capture.h"

class X11KeyCapture : public KeyCapture {
 public:
  // `display` names the X display to use; nothing means the one in DISPLAY. A grab lasts at most `longest`.
  explicit X11KeyCapture(std::optional<std::string> display = std::nullopt,
                         std::chrono::milliseconds longest = std::chrono::seconds(15));
  ~X11KeyCapture() override;
  X11KeyCapture(const X11KeyCapture&) = delete;
  X11KeyCapture& operator=(const X11KeyCapture&) = delete;

  // False when there is no display or another client holds the keyboard. Modifier keys pressed alone are not
  // handed over; a key the key table has no code for comes as x11keys::NO_CODE. The grab ends on the
  // capture's own thread as soon as the first key is handed over, or when `longest` has passed, whether or
  // not stop() comes: the desktop's keyboard never waits for a busy main thread.
  bool start(Pressed pressed) override;
  Refusal refusal() const override { return refusal_; }
  // Also safe from within `pressed`.
  void stop() override;

 private:
  struct Session;  // the X side, kept out of this header
  std::optional<std::string> display_;
  std::chrono::milliseconds longest_;
  Refusal refusal_ = Refusal::notAllowed;
  std::mutex mutex_;
  std::unique_ptr<Session> session_;
  // A session stopped from its own thread, which cannot join itself; joined by the next start or stop.
  std::unique_ptr<Session> ended_;
};
