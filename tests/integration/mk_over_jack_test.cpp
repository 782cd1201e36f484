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

// The four notes of one press, in order, each at least ~12 ms after the one before (a JACK period of jitter
// under the 20 ms pace; unpaced notes would share a cycle).
bool pacedBankFirst(const std::vector<DumpedMessage>& got) {
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

std::string listed(const std::vector<DumpedMessage>& got) {
  std::string all = "the DAW's peer received:\n";
  for (const auto& m : got)
    all += std::to_string(m.frame) + ": " + m.bytes + "\n";
  return all;
}

TEST(MkOverJack, AControllersNoteLeavesAsPacedMackieNotesAlsoOnceItsJackServerCameBack) {
  qtApplication();
  TempFolder home;
  PrivateJackServer server(home);
  ASSERT_TRUE(server.answers()) << "a private jackd did not start; " << server.log();
  home.write(".config/midi-to-mk.json", SETTINGS.dump());
  FakeAudioOutput audio;
  RecordingKeyOutput keys;
  FakeWorkspace workspace;
  QtLoop loop;
  JackMidiSystem midi(loop, server.name());
  const auto engine =
      std::make_shared<MKEngine>(mkServicesAt(home.path(), loop, midi, audio, keys, workspace));
  engine->start();
  {
    // The peers register a moment after they start: the engine's rescan takes them when they appear.
    JackPeers peers(home);
    ASSERT_TRUE(peers.running()) << "jack_midiseq or jack_midi_dump could not be started";
    ASSERT_TRUE(runUntil([&] { return pacedBankFirst(peers.received()); }, 10)) << listed(peers.received());
    EXPECT_EQ(engine->outName, "input");
    for (const auto& m : peers.received())
      EXPECT_NE(m.bytes.substr(0, 2), "80");  // releases are note-ons at 0
    server.kill();                            // the server dies under the engine and the peers
  }
  ASSERT_TRUE(runUntil([&] { return engine->why().second; }, 10));
  EXPECT_EQ(engine->why().first, "no MIDI source is open — is the controller plugged in?");
  EXPECT_TRUE(engine->running);

  ASSERT_TRUE(server.start()) << "the private jackd did not start again; " << server.log();
  TempFolder again;
  JackPeers peers(again);
  ASSERT_TRUE(runUntil([&] { return pacedBankFirst(peers.received()); }, 15)) << listed(peers.received());
  EXPECT_FALSE(engine->why().second);
}

}  // namespace
