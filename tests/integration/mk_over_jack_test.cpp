// The MK engine for real: a controller's note through a JACK server into the engine on the Qt loop, and the
// Mackie bytes out to a JACK peer standing for the DAW, paced; the server killed mid-run and started again.
#include <gtest/gtest.h>

#include "jack_peers.h"
#include "mackie/engine/engine.h"
#include "platform/jack/jack_midi_system.h"
#include "platform/qt/qt_loop.h"
#include "support/engine_services.h"
#include "support/fake_audio_output.h"
#include "support/fake_workspace.h"
#include "support/recording_key_output.h"

namespace {

using nlohmann::json;

// The controller's note 60 plays BANK: THE FIRST TRACKS, four Mackie notes that must leave 20 ms apart.
const json SETTINGS = {
    {"device", "out"},
    {"out", "input"},
    {"rows", {{{"id", 1}, {"from", "note"}, {"number", 60}, {"command", "bankfirst"}, {"value", 64}}}}};

class MkOverJack : public ::testing::Test {
 protected:
  TempFolder home;
  FakeAudioOutput audio;
  RecordingKeyOutput keys;
  FakeWorkspace workspace;

  std::shared_ptr<MKEngine> makeEngine(QtLoop& loop, MidiSystem& midi) {
    home.write(".config/midi-to-mk.json", SETTINGS.dump());
    return std::make_shared<MKEngine>(mkServicesAt(home.path(), loop, midi, audio, keys, workspace));
  }

  // The four notes of one press, in order, each at least ~12 ms after the one before (a JACK period of
  // jitter under the 20 ms pace; unpaced notes would share a cycle).
  static bool pacedBankFirst(const std::vector<DumpedMessage>& got) {
    const std::vector<std::string> expected = {"90 46 7f", "90 2e 7f", "90 2e 00", "90 46 00"};
    for (std::size_t start = 0; start + 4 <= got.size(); ++start) {
      bool match = true;
      for (std::size_t i = 0; i < 4 && match; ++i) {
        match = got[start + i].bytes == expected[i];
        if (match && i > 0) match = got[start + i].frame - got[start + i - 1].frame >= 600;
      }
      if (match) return true;
    }
    return false;
  }
};

TEST_F(MkOverJack, AControllersNoteLeavesAsPacedMackieNotes) {
  qtApplication();
  PrivateJackServer server(home);
  ASSERT_TRUE(server.answers()) << "a private jackd did not start; " << server.log();
  JackPeers peers(home);
  ASSERT_TRUE(peers.running()) << "jack_midiseq or jack_midi_dump could not be started";
  QtLoop loop;
  JackMidiSystem midi(server.name());
  const auto engine = makeEngine(loop, midi);
  engine->start();
  // The peers register a moment after they start: the engine's rescan takes them when they appear.
  ASSERT_TRUE(runUntil([&] { return pacedBankFirst(peers.received()); }, 10))
      << "the DAW's peer received:\n"
      << [&] {
           std::string all;
           for (const auto& m : peers.received())
             all += std::to_string(m.frame) + ": " + m.bytes + "\n";
           return all;
         }();
  EXPECT_EQ(engine->outName, "input");
  for (const auto& m : peers.received())
    EXPECT_NE(m.bytes.substr(0, 2), "80");  // releases are note-ons at 0
}

TEST_F(MkOverJack, TheEngineOutlivesItsJackServerAndTakesItBackWhenItReturns) {
  qtApplication();
  PrivateJackServer server(home);
  ASSERT_TRUE(server.answers()) << "a private jackd did not start; " << server.log();
  QtLoop loop;
  JackMidiSystem midi(server.name());
  const auto engine = makeEngine(loop, midi);
  engine->start();
  {
    JackPeers peers(home);
    ASSERT_TRUE(runUntil([&] { return pacedBankFirst(peers.received()); }, 10));
    server.kill();  // the server dies under the engine and the peers
  }
  ASSERT_TRUE(runUntil([&] { return engine->why().second; }, 10));
  EXPECT_EQ(engine->why().first, "no MIDI source is open — is the controller plugged in?");
  EXPECT_TRUE(engine->running);

  ASSERT_TRUE(server.start()) << "the private jackd did not start again; " << server.log();
  TempFolder again;
  JackPeers peers(again);
  ASSERT_TRUE(runUntil([&] { return pacedBankFirst(peers.received()); }, 15));
  EXPECT_FALSE(engine->why().second);
}

}  // namespace
