// The MK module's E16 ring lights: the shared ring logic with the MK rows, its own follow timer, and ring
// values sent through the module's own MIDI client to the destination named "Port 3".
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/midi_client.h"
#include "e16/colour_helper.h"
#include "e16/ring_driver.h"
#include "mackie/engine/midi.h"
#include "platform/audio_output.h"
#include "platform/loop.h"

struct MKLedAbout {
  bool can = false;
  std::string colour;  // "#RRGGBB", "#999999" outside the palette, empty without a scene knob
  int index = -1;
  std::string knob;
  std::string says;
  bool operator==(const MKLedAbout&) const = default;
};

// Made with std::make_shared: its follow timer holds it weakly.
class MKLed : public std::enable_shared_from_this<MKLed> {
 public:
  static constexpr const char* PORT = "Port 3";
  static constexpr double FOLLOW_EVERY = 0.5;

  MKLed(Loop& loop, MidiSystem& system, std::shared_ptr<MidiClient> midi, AudioOutput& audio,
        std::string documents, std::string helper);

  e16::RingDriver rings;
  // The CC numbers of the rows whose rings follow the volume; set by the engine when it starts.
  std::function<std::vector<int>()> follow;
  TaskHandle timer;
  std::string interpreter{PYTHON};  // what runs the colour helper

  static std::string hex(int index) { return e16::hex(index); }
  // One controller message; `lights`: a row that is on and asks for its ring listens to it.
  std::optional<std::string> feel(bool lights, const std::string& type, int number, int value,
                                  std::optional<int> channel);
  void startFollowing();
  void followTick();
  void stopFollowing();
  MKLedAbout about(const std::string& type, int number, bool isVolume);
  // Starts the colour change; `say` gets the outcome line, later when the helper runs.
  void setColour(const std::string& type, int number, int colour, e16::RingDriver::Say say);
  bool send(int cc, int value, int channel);

 private:
  Loop& loop_;
  MidiSystem& system_;
  std::shared_ptr<MidiClient> midi_;
  AudioOutput& audio_;
  std::string helper_;
};
