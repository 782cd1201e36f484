// The default output's volume and mute through PulseAudio (or PipeWire's pulse server): the engines' volume
// rings and faders read and set the system volume through it.
#pragma once

#include <memory>

#include "platform/audio_output.h"

// Talks to the default sink over a libpulse threaded main loop of its own. Every call asks the server afresh,
// so changes made elsewhere show at once, and waits at most about a second; without a server it answers
// nothing or false. It connects on first use and again after the server went away or came back.
// Volume reads are the channels' average as a fraction of the normal level, capped at 1; setting the volume
// scales all channels alike, so a left/right balance the user set survives.
class PulseAudioOutput : public AudioOutput {
 public:
  PulseAudioOutput();
  ~PulseAudioOutput() override;
  PulseAudioOutput(const PulseAudioOutput&) = delete;
  PulseAudioOutput& operator=(const PulseAudioOutput&) = delete;

  std::optional<std::uint32_t> defaultDevice() override;
  std::optional<double> volume() override;
  std::optional<bool> muted() override;
  bool setVolume(double volume) override;
  bool setMuted(bool muted) override;

 private:
  class Impl;
  std::unique_ptr<Impl> impl_;
};
