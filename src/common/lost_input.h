// MIDI input that the layer below had to drop because the program fell behind, said in a module's trace at
// most once a second: a burst that overflows a queue gives one line with its count, not a line a message.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/loop.h"

// Made with std::make_shared: its timer holds it weakly.
class LostInput : public std::enable_shared_from_this<LostInput> {
 public:
  static constexpr double EVERY = 1.0;  // seconds between two lines at least

  // `note` adds a line to the module's trace; it runs on the loop's thread, as add() must.
  LostInput(Loop& loop, std::function<void(const std::string&)> note);

  // `count` more messages were lost; 0 when the layer could not tell how many.
  void add(std::uint64_t count);

  // "12 MIDI messages were lost: …"; without a number when some of them were not counted.
  static std::string text(std::uint64_t count, bool allCounted);

 private:
  void say();

  Loop& loop_;
  std::function<void(const std::string&)> note_;
  std::uint64_t count_ = 0;
  bool uncounted_ = false;
  double lastLine_ = DISTANT_PAST;
  TaskHandle later_;
};
