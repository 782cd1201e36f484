// A Key Stroke engine wired to the in-memory MIDI system, audio output, keys and key capture, on the virtual
// loop, with a controller source "Port 1".
#pragma once

#include "keystroke/engine.h"
#include "support/engine_fixture_base.h"
#include "support/fake_key_capture.h"

class KSEngineTest : public EngineFixtureBase<KSEngine> {
 protected:
  using Lines = std::vector<std::string>;
  KSEngineTest() : EngineFixtureBase(".config/midi-to-keystroke.json") {}
  ~KSEngineTest() override { engine.reset(); }  // before the key capture it uses

  FakeKeyCapture keyCapture;
  bool dry = false;
  bool login = false;  // started with the session

  void start() override {
    make();
    engine->start();
    loop.runDue();
  }

  const KSView& view() const { return engine->view(); }

  // The engine, not started.
  void make() {
    engine =
        std::make_shared<KSEngine>(KSServices{loop, system, audio, keys, keyCapture, home.path(),
                                              home.path() + "/Documents", home.path() + "/helper.py", login});
    engine->setDry(dry);
  }

  static nlohmann::json keyRow(int id, int cc, const char* key,
                               nlohmann::json extra = nlohmann::json::object()) {
    nlohmann::json r = {{"id", id}, {"cc", cc}, {"key", key}};
    r.update(extra);
    return r;
  }
};
