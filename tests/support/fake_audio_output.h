// An audio output whose device, volume and mute a test sets and reads.
#pragma once

#include "platform/audio_output.h"

class FakeAudioOutput : public AudioOutput {
 public:
  bool present = true;
  double level = 0.5;
  bool mute = false;
  int writes = 0;

  std::optional<std::uint32_t> defaultDevice() override {
    return present ? std::optional<std::uint32_t>(42) : std::nullopt;
  }
  std::optional<double> volume() override { return present ? std::optional(level) : std::nullopt; }
  std::optional<bool> muted() override { return present ? std::optional(mute) : std::nullopt; }
  bool setVolume(double v) override {
    if (!present) return false;
    level = v;
    ++writes;
    return true;
  }
  bool setMuted(bool m) override {
    if (!present) return false;
    mute = m;
    ++writes;
    return true;
  }
};
