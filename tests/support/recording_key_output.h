// A KeyOutput that records what it is asked to post, with a trust switch and events that can be made to fail.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/key_output.h"

class RecordingKeyOutput : public KeyOutput {
 public:
  struct Key {
    std::uint16_t code;
    std::uint64_t flags;
    bool down;
    bool operator==(const Key&) const = default;
  };
  struct Sound {
    SoundKey key;
    bool quarter;
    bool operator==(const Sound&) const = default;
  };

  bool isTrusted = true;
  bool failDown = false;  // the key-down event cannot be made
  std::string advice;     // what trustAdvice() says
  int trustAsked = 0;
  std::vector<Key> keys;
  std::vector<Sound> sounds;

  bool trusted() override { return isTrusted; }
  void askForTrust() override { ++trustAsked; }
  std::string trustAdvice() override { return advice; }
  bool postKey(std::uint16_t code, std::uint64_t flags, bool down) override {
    if (down && failDown) return false;
    keys.push_back({code, flags, down});
    return true;
  }
  void pressSoundKey(SoundKey key, bool quarter) override { sounds.push_back({key, quarter}); }
};
