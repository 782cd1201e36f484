// Prints the MK engine's time per message, from `received` to the paced send queue, on a 200-row table with
// three matching rows, with no E16 scene among 10,000 files in the Documents folder; and what a flood of
// 100,000 messages in one burst leaves behind (every structure is bounded). Run by hand:
// `build/bench/mackie_engine_bench`. It runs on the test doubles' virtual loop and MIDI system.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>

#include "mackie/engine/engine.h"
#include "support/engine_services.h"
#include "support/fake_audio_output.h"
#include "support/fake_midi_system.h"
#include "support/fake_workspace.h"
#include "support/recording_key_output.h"
#include "support/temp_folder.h"
#include "support/virtual_loop.h"

namespace {

long maxRssKb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

nlohmann::json tableOf200() {
  auto rows = nlohmann::json::array();
  const char* commands[] = {"play", "jog", "vpot1", "fader2", "mute3", "continuestop"};
  for (int i = 0; i < 200; ++i)
    rows.push_back({{"id", i + 1}, {"from", "cc"}, {"number", 30 + i % 90}, {"command", commands[i % 6]}});
  // The three rows that answer CC 21: a jog wheel, a fader and a held button.
  rows[20] = {{"id", 21}, {"from", "cc"}, {"number", 21}, {"command", "jog"}};
  rows[100] = {{"id", 101}, {"from", "cc"}, {"number", 21}, {"command", "fader1"}};
  rows[180] = {{"id", 181}, {"from", "cc"}, {"number", 21}, {"command", "shift"}};
  return rows;
}

}  // namespace

int main() {
  VirtualLoop loop;
  FakeMidiSystem system(loop);
  FakeAudioOutput audio;
  RecordingKeyOutput keys;
  FakeWorkspace workspace;
  TempFolder home;
  system.addSource("Port 1");
  system.addDestination("IAC Driver Bus 1");
  // Documents without a scene file, the case of everybody without an E16: searched for one now and then.
  for (int i = 0; i < 10'000; ++i)
    home.write("papers/" + std::to_string(i / 1000) + "/note" + std::to_string(i) + ".txt", "");
  home.write(".config/midi-to-mk.json", nlohmann::json{{"device", "Port 1"}, {"rows", tableOf200()}}.dump());
  const auto engine =
      std::make_shared<MKEngine>(mkServicesAt(home.path(), loop, system, audio, keys, workspace));
  engine->start();

  // A controller turned fast: one message per virtual millisecond, the loop running its timers in between.
  constexpr long messages = 200'000;
  const auto start = std::chrono::steady_clock::now();
  for (long i = 0; i < messages; ++i) {
    engine->received("Port 1", MKMCU::MKRaw{0xB0, 21, static_cast<int>(i % 128), false});
    loop.advance(0.001);
  }
  const double perMessage =
      std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start).count() / messages;
  std::printf(
      "received → paced queue, 200 rows, 3 matching, no scene among 10000 files: %.0f ns per message (loop "
      "timers included)\n",
      perMessage);

  const long before = maxRssKb();
  for (long i = 0; i < 100'000; ++i)
    engine->received("Port 1", MKMCU::MKRaw{0xB0, 21, static_cast<int>(i % 128), false});
  std::printf(
      "after a burst of 100000: queue %zu, trace %zu lines, monitor %zu, row lamps %zu, spins %zu, "
      "max RSS %ld KB before and %ld KB after\n",
      engine->queue.size(), engine->trace.lines().size(), engine->incoming.size(), engine->act.size(),
      engine->spins.size(), before, maxRssKb());
  return 0;
}
