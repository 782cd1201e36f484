// A Key Stroke engine wired to the in-memory MIDI system, audio output, keys and key capture, on the virtual
// loop, with a controller source "Port 1".
#pragma once

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "keystroke/engine.h"
#include "support/fake_audio_output.h"
#include "support/fake_key_capture.h"
#include "support/fake_midi_system.h"
#include "support/recording_key_output.h"
#include "support/temp_folder.h"
#include "support/virtual_loop.h"

class KSEngineTest : public ::testing::Test {
 protected:
  VirtualLoop loop;
  FakeMidiSystem system{loop};
  FakeAudioOutput audio;
  RecordingKeyOutput keys;
  FakeKeyCapture keyCapture;
  TempFolder home;
  MidiRef controller = system.addSource("Port 1");
  std::shared_ptr<KSEngine> engine;
  bool dry = false;
  bool login = false;

  void startWith(nlohmann::json rows, nlohmann::json settings = nlohmann::json::object()) {
    if (!settings.contains("device")) settings["device"] = "Port 1";
    settings["rows"] = std::move(rows);
    home.write(".config/midi-to-keystroke.json", settings.dump());
    start();
  }

  void start() {
    engine =
        std::make_shared<KSEngine>(KSServices{loop, system, audio, keys, keyCapture, home.path(),
                                              home.path() + "/Documents", home.path() + "/helper.py", login});
    engine->dry = dry;
    engine->start();
    loop.runDue();
  }

  void cc(int number, int value) { from(controller, 0xB0, number, value); }
  void noteOn(int number, int velocity) { from(controller, 0x90, number, velocity); }
  void from(MidiRef source, int status, int d1, int d2) {
    system.send3(source, status, d1, d2);
    loop.runDue();
  }

  std::vector<std::string> traced() const {
    std::vector<std::string> out;
    for (const auto& line : engine->trace.lines())
      out.push_back(line.substr(10));
    return out;
  }
  std::string lastTrace() const { return traced().empty() ? "" : traced().back(); }
  nlohmann::json savedFile() const {
    return nlohmann::json::parse(home.read(".config/midi-to-keystroke.json"));
  }

  static nlohmann::json keyRow(int id, int cc, const char* key,
                               nlohmann::json extra = nlohmann::json::object()) {
    nlohmann::json r = {{"id", id}, {"cc", cc}, {"key", key}};
    r.update(extra);
    return r;
  }
};
