// The Key Stroke engine for real: a controller's note through a JACK server becomes a key stroke, the source
// being found by the engine's own check when it appears after the start.
#include <gtest/gtest.h>

#include "jack_peers.h"
#include "keystroke/engine.h"
#include "platform/jack/jack_midi_system.h"
#include "platform/qt/qt_loop.h"
#include "support/engine_services.h"
#include "support/fake_audio_output.h"
#include "support/fake_key_capture.h"
#include "support/recording_key_output.h"

namespace {

TEST(KsOverJack, AControllersNotePressesTheRowsKey) {
  qtApplication();
  TempFolder home;
  PrivateJackServer server(home);
  ASSERT_TRUE(server.answers()) << "a private jackd did not start; " << server.log();
  home.write(".config/midi-to-keystroke.json",
             nlohmann::json{
                 {"device", "out"},
                 {"rows", {{{"id", 1}, {"cc", 60}, {"type", "note"}, {"key", "space"}, {"mods", {"ctrl"}}}}}}
                 .dump());
  FakeAudioOutput audio;
  RecordingKeyOutput keys;
  FakeKeyCapture capture;
  QtLoop loop;
  JackMidiSystem midi(loop, server.name());
  const auto engine = std::make_shared<KSEngine>(ksServicesAt(home.path(), loop, midi, audio, keys, capture));
  engine->start();
  JackPeers peers(home);
  ASSERT_TRUE(runUntil([&] { return keys.keys.size() >= 2; }, 10));
  EXPECT_EQ(keys.keys[0], (RecordingKeyOutput::Key{49, 0x40000, true}));
  EXPECT_EQ(keys.keys[1], (RecordingKeyOutput::Key{49, 0x40000, false}));
  EXPECT_EQ(engine->listening.size(), 1u);  // only the controller: the engine's own ports are not sources
}

}  // namespace
