// What both MK benches print, from one run so that the ratios hold on any machine: a 200-row table with three
// rows answering CC 21 matched by visiting every row, as firing did before the rows were indexed;
// MKRules::fire through the index; and the engine's whole path from `received` to the paced send queue, with
// no E16 scene among 10,000 files in the Documents folder and again with an empty one (the search for a scene
// is the E16 rings' own cost), on the test doubles' virtual loop and MIDI system.
#pragma once

#include <time.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "mackie/core/fire.h"
#include "mackie/core/rules.h"
#include "mackie/engine/engine.h"
#include "support/engine_services.h"
#include "support/fake_audio_output.h"
#include "support/fake_midi_system.h"
#include "support/fake_workspace.h"
#include "support/recording_key_output.h"
#include "support/temp_folder.h"
#include "support/virtual_loop.h"

namespace mkbench {

// This thread's processor time so far, in nanoseconds, in the kernel included (a folder search is mostly
// there): unlike the wall clock, it does not count the time others had the processor on this shared machine.
inline double threadNanoseconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e9 + static_cast<double>(t.tv_nsec);
}

// The processor time per call of `body`, run `count` times in five blocks: the fastest block's, as a block in
// which the caches were shared with others says little about this code.
template <typename F>
double nanosecondsPer(long count, F&& body) {
  constexpr int blocks = 5;
  body();  // warm up
  double best = 0;
  for (int b = 0; b < blocks; ++b) {
    const double start = threadNanoseconds();
    for (long i = 0; i < count / blocks; ++i)
      body();
    const double each = (threadNanoseconds() - start) / static_cast<double>(count / blocks);
    if (b == 0 || each < best) best = each;
  }
  return best;
}

inline nlohmann::json tableOf200() {
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

// The reference: every row visited and checked on its own, its command looked up when it matches.
inline std::vector<MKRules::MKAct> everyRow(const std::vector<MKRules::MKRow>& rows,
                                            const MKRules::MKMsg& msg, MKRules::MKHeld& held,
                                            MKRules::MKCoarse& coarse) {
  std::vector<MKRules::MKAct> out;
  for (const auto& row : rows) {
    if (MKRules::finePair(row)) {
      MKRules::fireRow(out, row, MKMCU::command(row.command), true, msg, held, coarse);
      continue;
    }
    if (!MKRules::matches(row, msg)) continue;
    MKRules::fireRow(out, row, MKMCU::command(row.command), false, msg, held, coarse);
  }
  return out;
}

// The MK engine on the test doubles, started on the table above, with that many files and no scene in its
// Documents folder.
struct World {
  VirtualLoop loop;
  FakeMidiSystem system{loop};
  FakeAudioOutput audio;
  RecordingKeyOutput keys;
  FakeWorkspace workspace;
  TempFolder home;
  std::shared_ptr<MKEngine> engine;

  explicit World(int files) {
    system.addSource("Port 1");
    system.addDestination("IAC Driver Bus 1");
    // Documents without a scene file, the case of everybody without an E16: searched for one now and then.
    for (int i = 0; i < files; ++i)
      home.write("papers/" + std::to_string(i / 1000) + "/note" + std::to_string(i) + ".txt", "");
    // Dated an hour back, as folders nobody wrote to lately: one written in the last seconds is listed again
    // at every search, so the figures would depend on how fast the files above were made.
    const auto anHourAgo = std::filesystem::file_time_type::clock::now() - std::chrono::hours(1);
    for (int folder = 0; folder * 1000 < files; ++folder)
      std::filesystem::last_write_time(home.path() + "/papers/" + std::to_string(folder), anHourAgo);
    if (files > 0) std::filesystem::last_write_time(home.path() + "/papers", anHourAgo);
    home.write(".config/midi-to-mk.json",
               nlohmann::json{{"device", "Port 1"}, {"rows", tableOf200()}}.dump());
    engine = std::make_shared<MKEngine>(mkServicesAt(home.path(), loop, system, audio, keys, workspace));
    engine->start();
  }
};

// A controller turned fast: one message per virtual millisecond, the loop running its timers in between.
inline double nanosecondsOnPath(World& world) {
  int value = 0;
  return nanosecondsPer(200'000, [&] {
    world.engine->received("Port 1", MKMCU::MKRaw{0xB0, 21, value = (value + 1) % 128, false});
    world.loop.advance(0.001);
  });
}

inline void printPathFigures(World& world) {
  const auto& rows = world.engine->view().rows;
  const MKRules::MKRowIndex index(rows);
  // Each way from the same start, so that both fire the same actions.
  const auto timed = [&](bool throughIndex, std::size_t& fired) {
    int value = 0;
    MKRules::MKHeld held;
    MKRules::MKCoarse coarse;
    return nanosecondsPer(1'000'000, [&] {
      value = (value + 1) % 128;
      const MKRules::MKMsg msg{"cc", 21, value, 0};
      fired +=
          (throughIndex ? MKRules::fire(rows, index, msg, held, coarse) : everyRow(rows, msg, held, coarse))
              .size();
    });
  };
  std::size_t firedScan = 0, firedIndexed = 0;
  const double scan = timed(false, firedScan);
  const double indexed = timed(true, firedIndexed);

  const double path = nanosecondsOnPath(world);
  World bare(0);
  const double barePath = nanosecondsOnPath(bare);

  std::printf("200 rows, 3 answering CC 21 (actions fired: %zu visiting every row, %zu through the index)\n",
              firedScan, firedIndexed);
  std::printf("  every row visited, as before the index:  %6.0f ns per message\n", scan);
  std::printf(
      "  MKRules::fire through the row index:     %6.0f ns per message  (%.2f of every row visited)\n",
      indexed, indexed / scan);
  std::printf("  received → paced queue, loop timers included:\n");
  std::printf(
      "    no scene among 10000 files in Documents: %6.0f ns per message  (%.2f× every row visited)\n", path,
      path / scan);
  std::printf(
      "    an empty Documents folder:               %6.0f ns per message  (%.2f× every row visited)\n",
      barePath, barePath / scan);
}

}  // namespace mkbench
