// The global hot keys the modules ask for, registered with the system only while Live is in front, so that
// the chords stay free for every other application.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "platform/hot_keys.h"
#include "platform/loop.h"
#include "shell/live_module.h"

// Made with std::make_shared: the system's key callback holds it weakly.
class HotKeys : public std::enable_shared_from_this<HotKeys> {
 public:
  HotKeys(HotKeySystem& system, Loop& loop);
  ~HotKeys();

  // Replaces the chords wanted; registers them at once when Live is in front.
  void set(std::vector<HotKeyWish> list, bool liveInFront);
  // Registers every wanted chord afresh, each under a new number.
  void arm();
  void disarm();

  std::map<std::uint32_t, HotKeySystem::Handle> refs;
  std::map<std::uint32_t, std::function<void()>> actions;
  std::uint32_t next = 1;
  std::vector<HotKeyWish> wanted;

 private:
  void listen();
  void pressed(std::uint32_t number);

  HotKeySystem& system_;
  Loop& loop_;
  bool listening_ = false;
};
