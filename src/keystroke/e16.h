// The Key Stroke module's E16 ring lights: the shared ring logic with the Key Stroke rows; ring values leave
// through the send function the engine installs, and the engine's own timer runs the follow passes.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "e16/colour_helper.h"
#include "e16/ring_driver.h"
#include "keystroke/row.h"
#include "platform/audio_output.h"
#include "platform/loop.h"

class KSE16 {
 public:
  using Knob = e16::E16Knob;
  struct About {
    bool can = false;
    std::optional<std::uint32_t> colour;
    int index = -1;
    std::string knob;
    std::string says;
    bool operator==(const About&) const = default;
  };

  KSE16(Loop& loop, AudioOutput& audio, std::string documents, std::string helper);

  e16::RingDriver rings;
  // How a ring value leaves; the engine installs its own. Until then nothing leaves.
  e16::RingDriver::Send send = [](int, int, int) { return false; };
  std::string interpreter{PYTHON};  // what runs the colour helper

  std::optional<Knob> knobFor(const std::string& type, int number, std::optional<int> channel);
  std::optional<Knob> knobOrGuess(const std::string& type, int number, std::optional<int> channel);
  std::optional<std::string> feel(const std::vector<KSRules::KSRow>& rows, const std::string& type,
                                  int number, int value, int channel);
  void follow(const std::vector<KSRules::KSRow>& rows);
  About about(const std::string& type, int number, bool isVolume);
  // Starts the colour change; `say` gets the outcome line, later when the helper runs.
  void setColour(const std::string& type, int number, int colour, e16::RingDriver::Say say);

 private:
  Loop& loop_;
  AudioOutput& audio_;
  std::string helper_;
};
