// An MK engine wired to the in-memory MIDI system, audio output, keys and desktop, on the virtual loop, with
// a controller source "Port 1" and a destination "IAC Driver Bus 1" towards Live.
#pragma once

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "mackie/engine/engine.h"
#include "support/fake_audio_output.h"
#include "support/fake_blob_window.h"
#include "support/fake_midi_system.h"
#include "support/fake_workspace.h"
#include "support/recording_key_output.h"
#include "support/temp_folder.h"
#include "support/virtual_loop.h"

// One message towards Live: milliseconds after a start time, status and data bytes.
struct Out {
  int ms;
  int status;
  int d1;
  int d2;
  bool operator==(const Out&) const = default;
};

inline void PrintTo(const Out& o, std::ostream* os) {
  *os << "{" << o.ms << " ms, " << o.status << ", " << o.d1 << ", " << o.d2 << "}";
}

class EngineTest : public ::testing::Test {
 protected:
  VirtualLoop loop;
  FakeMidiSystem system{loop};
  FakeAudioOutput audio;
  RecordingKeyOutput keys;
  FakeWorkspace workspace;
  TempFolder home;
  MidiRef controller = system.addSource("Port 1");
  MidiRef toLive = system.addDestination("IAC Driver Bus 1", "IAC Driver");
  std::shared_ptr<MKEngine> engine;
  bool withBlob = false;                 // give the engine a window for its blob
  FakeBlobWindow* blobWindow = nullptr;  // the last one it made

  // Writes the settings file (device "Port 1" unless given) and starts the engine on it.
  void startWith(std::vector<nlohmann::json> rows, nlohmann::json settings = nlohmann::json::object()) {
    if (!settings.contains("device")) settings["device"] = "Port 1";
    settings["rows"] = rows;
    home.write(".config/midi-to-mk.json", settings.dump());
    start();
  }

  void start() {
    std::function<std::unique_ptr<BlobWindow>()> windows = [this] {
      auto window = std::make_unique<FakeBlobWindow>();
      blobWindow = window.get();
      return window;
    };
    engine = std::make_shared<MKEngine>(MKServices{loop, system, audio, keys, workspace, home.path(),
                                                   LiveFolders{home.path(), std::nullopt}, 47999,
                                                   withBlob ? windows : nullptr, home.path() + "/Documents"});
    engine->start();
  }

  // One message from the controller, handed over as the MIDI thread would, then delivered.
  void cc(int number, int value, int channel = 0) { from(controller, 0xB0 | channel, number, value); }
  void noteOn(int number, int velocity, int channel = 0) {
    from(controller, 0x90 | channel, number, velocity);
  }
  void from(MidiRef source, int status, int d1, int d2) {
    system.send3(source, status, d1, d2);
    loop.runDue();
  }

  // What went to Live since `t0`, with times rounded to the millisecond.
  std::vector<Out> toLiveSince(double t0) const {
    std::vector<Out> out;
    for (const auto& s : system.sent)
      if (s.destination == toLive && s.at >= t0 - 1e-9)
        out.push_back({static_cast<int>((s.at - t0) * 1000 + 0.5), s.status, s.d1, s.d2});
    return out;
  }

  // The trace's lines without their time stamps.
  std::vector<std::string> traced() const {
    std::vector<std::string> out;
    for (const auto& line : engine->trace.lines())
      out.push_back(line.substr(10));
    return out;
  }
  std::string lastTrace() const {
    return engine->trace.lines().empty() ? "" : engine->trace.lines().back().substr(10);
  }

  // A jog turn of that many clicks from row 1, as the rules would fire it.
  MKAct jogTurn(int clicks) const {
    return {.row = *engine->row(1),
            .kind = "cc",
            .what = "JOG",
            .parts = {},
            .number = 60,
            .clicks = clicks,
            .rel = "jog",
            .act = {}};
  }

  nlohmann::json savedFile() const { return nlohmann::json::parse(home.read(".config/midi-to-mk.json")); }

  // A stored row on CC `number` (or what `extra` says) with the command's default how.
  static nlohmann::json row(int id, const char* command, int number,
                            nlohmann::json extra = nlohmann::json::object()) {
    nlohmann::json r = {{"id", id}, {"from", "cc"}, {"number", number}, {"command", command}};
    r.update(extra);
    return r;
  }
  static nlohmann::json jogRow(int number = 21) {
    return row(1, "jog", number, {{"how", "twos"}, {"invert", false}});
  }
};
