// What a MIDI backend's client shares with the threads that call the engine: the engine's setup callback,
// which the backend's watching thread calls, and the watches through which the main loop reads the client's
// input. dispose() ends both for good. The JACK and ALSA backends each keep one per client.
#pragma once

#include <functional>
#include <mutex>
#include <vector>

#include "platform/loop.h"

class MidiClientHooks {
 public:
  explicit MidiClientHooks(std::function<void()> setupChanged) : setupChanged_(std::move(setupChanged)) {}
  MidiClientHooks(const MidiClientHooks&) = delete;
  MidiClientHooks& operator=(const MidiClientHooks&) = delete;

  // Any thread: tells the engine that the setup changed; nothing once disposed. A callback that throws
  // stops nothing: the other clients still need to hear.
  void setupChanged();

  // The main loop's: `read` runs there whenever `descriptor` can be read, until dispose().
  void watchInput(Loop& loop, int descriptor, std::function<void()> read);

  // The main loop's. Once it returns, no setup call is in flight (unless it was made from one) and no input
  // is read; a reader that is delivering, the caller perhaps, sees disposed() and stops at once.
  void dispose();
  bool disposed() const { return disposed_; }

 private:
  // Held while the callback runs, so that dispose() waits for a call in flight.
  std::recursive_mutex mutex_;
  bool alive_ = true;
  std::function<void()> setupChanged_;
  std::vector<TaskHandle> watches_;
  bool disposed_ = false;
};
