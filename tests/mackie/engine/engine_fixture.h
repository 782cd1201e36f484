// An MK engine wired to the in-memory MIDI system, audio output, keys and desktop, on the virtual loop, with
// a controller source "Port 1" and a destination "IAC Driver Bus 1" towards Live.
#pragma once

#include "mackie/engine/engine.h"
#include "support/engine_fixture_base.h"
#include "support/fake_blob_window.h"
#include "support/fake_workspace.h"

// One message towards Live: milliseconds after a start time, status and data bytes.
struct Out {
  int ms, status, d1, d2;
  bool operator==(const Out&) const = default;
};

inline void PrintTo(const Out& o, std::ostream* os) {
  *os << "{" << o.ms << " ms, " << o.status << ", " << o.d1 << ", " << o.d2 << "}";
}

class EngineTest : public EngineFixtureBase<MKEngine> {
 protected:
  EngineTest() : EngineFixtureBase(".config/midi-to-mk.json") {}
  ~EngineTest() override { engine.reset(); }  // before the workspace it uses

  FakeWorkspace workspace;
  MidiRef toLive = system.addDestination("IAC Driver Bus 1", "IAC Driver");
  bool withBlob = false;                 // give the engine a window for its blob
  FakeBlobWindow* blobWindow = nullptr;  // the last one it made

  void start() override {
    make();
    engine->start();
  }

  // The engine, not started.
  void make() {
    std::function<std::unique_ptr<BlobWindow>()> windows = [this] {
      auto window = std::make_unique<FakeBlobWindow>();
      blobWindow = window.get();
      return window;
    };
    engine = std::make_shared<MKEngine>(MKServices{
        loop, system, audio, keys, workspace, home.path(), LiveFolders{home.path(), std::nullopt}, 47999,
        withBlob ? windows : nullptr, home.path() + "/Documents", home.path() + "/helper.py"});
  }

  const MKView& view() const { return engine->view(); }

  // What went to Live since `t0`, with times rounded to the millisecond.
  std::vector<Out> toLiveSince(double t0) const {
    std::vector<Out> out;
    for (const auto& s : system.sent)
      if (s.destination == toLive && s.at >= t0 - 1e-9)
        out.push_back({static_cast<int>((s.at - t0) * 1000 + 0.5), s.status, s.d1, s.d2});
    return out;
  }

  // The trace's last line after a CC from the controller.
  std::string ccSays(int number, int value) {
    cc(number, value);
    return lastTrace();
  }

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
