// What the MK and Key Stroke engine fixtures share: the virtual loop, the in-memory MIDI system with a
// controller source "Port 1", the audio and key doubles, a temporary home holding the settings file, and the
// helpers that play the controller and read the trace.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "common/trace.h"
#include "support/fake_audio_output.h"
#include "support/fake_midi_system.h"
#include "support/recording_key_output.h"
#include "support/temp_folder.h"
#include "support/virtual_loop.h"

template <class Engine>
class EngineFixtureBase : public ::testing::Test {
 protected:
  // `settings` is the settings file's path below the home folder.
  explicit EngineFixtureBase(std::string settings) : settings_(std::move(settings)) {}

  VirtualLoop loop;
  FakeMidiSystem system{loop};
  FakeAudioOutput audio;
  RecordingKeyOutput keys;
  TempFolder home;
  MidiRef controller = system.addSource("Port 1");
  std::shared_ptr<Engine> engine;

  virtual void start() = 0;

  // Writes the settings file (device "Port 1" unless given) and starts the engine on it.
  void startWith(std::vector<nlohmann::json> rows, nlohmann::json settings = nlohmann::json::object()) {
    if (!settings.contains("device")) settings["device"] = "Port 1";
    settings["rows"] = rows;
    home.write(settings_, settings.dump());
    start();
  }

  // One message from a source, handed over as the MIDI thread would, then delivered.
  void from(MidiRef source, int status, int d1, int d2) {
    system.send3(source, status, d1, d2);
    loop.runDue();
  }
  void cc(int number, int value, int channel = 0) { from(controller, 0xB0 | channel, number, value); }
  void noteOn(int number, int velocity, int channel = 0) {
    from(controller, 0x90 | channel, number, velocity);
  }

  // The trace's lines without their time stamps.
  std::vector<std::string> traced() const {
    std::vector<std::string> out;
    for (const auto& line : engine->view().trace.lines())
      out.push_back(line.substr(10));
    return out;
  }
  std::string lastTrace() const { return traced().empty() ? "" : traced().back(); }
  // Waits in real time (at most 20 s) for the next line of the trace from something the test cannot hurry,
  // such as the colour helper's outcome.
  void awaitNote() {
    const auto before = engine->view().trace.written();
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (engine->view().trace.written() == before && std::chrono::steady_clock::now() < until)
      loop.awaitWatched(0.1);
  }

  std::string settingsText() const { return home.read(settings_); }
  nlohmann::json savedFile() const { return nlohmann::json::parse(settingsText()); }

 private:
  std::string settings_;
};
