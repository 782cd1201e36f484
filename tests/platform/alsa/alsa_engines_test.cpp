// Both engines on the ALSA sequencer, on a real-time loop: a controller that appears after the MK engine
// started drives Mackie notes to a DAW client only, the Key Stroke engine opens one source per name, and the
// E16's ring values reach the port named "Port 3" and nothing else.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "keystroke/engine.h"
#include "mackie/engine/engine.h"
#include "platform/alsa/alsa_midi_system.h"
#include "seq_peer.h"
#include "support/engine_services.h"
#include "support/fake_audio_output.h"
#include "support/fake_key_capture.h"
#include "support/fake_workspace.h"
#include "support/recording_key_output.h"
#include "support/temp_folder.h"
#include "support/thread_loop.h"

namespace {

using nlohmann::json;
using Bytes = SeqPeer::Bytes;

class AlsaEngines : public ::testing::Test {
 protected:
  void SetUp() override {
    REQUIRE_SEQUENCER();
    // Whatever reaches Midi Through is another destination the engines must leave alone.
    tapper = std::make_unique<SeqPeer>("Orvane test tapper");
    through = tapper->writable("tap");
    const auto port = tapper->find("Midi Through", "Midi Through Port-0");
    ASSERT_TRUE(port && tapper->tap(through, *port));
  }

  std::shared_ptr<MKEngine> mk(const json& settings) {
    home.write(".config/midi-to-mk.json", settings.dump());
    auto engine = std::make_shared<MKEngine>(mkServicesAt(home.path(), loop, midi, audio, keys, workspace));
    engine->start();
    return engine;
  }
  std::shared_ptr<KSEngine> ks() {
    home.write(".config/midi-to-keystroke.json", json{{"device", ""}, {"rows", json::array()}}.dump());
    auto engine = std::make_shared<KSEngine>(ksServicesAt(home.path(), loop, midi, audio, keys, capture));
    engine->start();
    return engine;
  }

  ThreadLoop loop;
  FakeAudioOutput audio;
  RecordingKeyOutput keys;
  FakeKeyCapture capture;
  FakeWorkspace workspace;
  TempFolder home;
  std::unique_ptr<SeqPeer> tapper;
  int through = -1;
  AlsaMidiSystem midi{loop};
};

// The E16 is there from the start; the controller appears after the engine started. The pacing is the
// engine's own and checked on the test doubles.
TEST_F(AlsaEngines, TheMKEngineFollowsAControllerThatAppearsLaterAndSendsToTheDawAndItsRingToPort3Only) {
  SeqPeer daw("Orvane test DAW");
  const int dawIn = daw.writable("DAW in");
  const int port3 = daw.writable("Port 3");
  const int bystander = daw.writable("Bystander in");
  const auto engine =
      mk({{"device", "Controller out"},
          {"out", "DAW in"},
          {"rows", {{{"id", 1}, {"from", "cc"}, {"number", 20}, {"command", "bankfirst"}, {"value", 127}}}}});
  SeqPeer controller("Orvane test controller");
  const int out = controller.readable("Controller out");
  const auto listening = [&] {
    const auto& names = engine->midi->names;
    return std::find(names.begin(), names.end(), "Controller out") != names.end();
  };
  ASSERT_TRUE(loop.runUntil(listening));
  ASSERT_TRUE(controller.play(out, {0xB0, 20, 127}));
  ASSERT_TRUE(engine->led->send(4, 77, 1));
  ASSERT_TRUE(loop.runUntil([&] { return daw.heard(dawIn).size() >= 4 && !daw.heard(port3).empty(); }));
  const std::vector<Bytes> bankFirst = {{0x90, 70, 127}, {0x90, 46, 127}, {0x90, 46, 0}, {0x90, 70, 0}};
  std::vector<Bytes> got;
  for (const auto& h : daw.heard(dawIn))
    got.push_back(h.bytes);
  EXPECT_EQ(got, bankFirst);
  ASSERT_EQ(daw.heard(port3).size(), 1u);
  EXPECT_EQ(daw.heard(port3)[0].bytes, (Bytes{0xB1, 4, 77}));
  EXPECT_TRUE(daw.heard(bystander).empty());
  EXPECT_TRUE(tapper->heard(through).empty());

  controller.remove(out);
  EXPECT_TRUE(loop.runUntil([&] { return !listening(); }));
}

TEST_F(AlsaEngines, TheKeyStrokeEngineOpensTheFirstOfTwoSourcesOfOneNameSkipsNamelessOnesAndRingsPort3) {
  SeqPeer first("Orvane test twin A");
  SeqPeer second("Orvane test twin B");
  const int a = first.readable("Twin");
  const int b = second.readable("Twin");
  first.readable("");
  const int port3 = second.writable("Port 3");
  const auto engine = ks();
  std::vector<MidiRef> twins;
  for (const auto& [name, ref] : engine->sources) {
    EXPECT_FALSE(name.empty());
    if (name == "Twin") twins.push_back(ref);
  }
  const auto listed = midi.sources();
  const auto firstTwin =
      std::find_if(listed.begin(), listed.end(), [](const auto& s) { return s.name == "Twin"; });
  ASSERT_NE(firstTwin, listed.end());
  EXPECT_EQ(twins, std::vector<MidiRef>{firstTwin->ref});

  // Sent in this order, the second twin's message would be read first if it were heard at all.
  ASSERT_TRUE(second.play(b, {0xB0, 22, 2}));
  ASSERT_TRUE(first.play(a, {0xB0, 21, 1}));
  ASSERT_TRUE(loop.runUntil([&] { return !engine->incoming.empty(); }));
  for (const auto& entry : engine->incoming)
    EXPECT_EQ(entry.text.rfind("CC 21 = 1", 0), 0u) << entry.text;

  ASSERT_TRUE(engine->sendCC(3, 99, 0));
  ASSERT_TRUE(loop.runUntil([&] { return !second.heard(port3).empty(); }));
  EXPECT_EQ(second.heard(port3)[0].bytes, (Bytes{0xB0, 3, 99}));
  EXPECT_TRUE(tapper->heard(through).empty());
}

}  // namespace
