// The default audio output's volume and mute, as the system's own volume control sets them.
#pragma once

#include <cstdint>
#include <optional>

class AudioOutput {
 public:
  virtual ~AudioOutput() = default;
  // The default output device; nothing when there is none or it cannot be read.
  virtual std::optional<std::uint32_t> defaultDevice() = 0;
  // The default device's volume, 0 to 1; nothing on any failure.
  virtual std::optional<double> volume() = 0;
  virtual std::optional<bool> muted() = 0;
  virtual bool setVolume(double volume) = 0;
  virtual bool setMuted(bool muted) = 0;
};
