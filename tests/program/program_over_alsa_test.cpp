// The built program as a black box on the ALSA sequencer (inside the virtual machine): two sequencer clients
// of the test play the controller and stand for the DAW, the trace is read from standard output, and a quit
// signal must let go of every note held towards the DAW.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <thread>

#include "platform/alsa/seq_peer.h"
#include "running_program.h"

namespace {

using namespace program;

// Emulated, the machine is slow to start a program.
constexpr double DEADLINE = 30;

TEST(ProgramOnAlsa, HeadlessCcsAndNotesLeaveAsMackieBytesInOrderAndTracedAndSigtermLetsGoOfHeldNotes) {
  REQUIRE_SEQUENCER();
  TempFolder folder;
  folder.write("home/.config/midi-to-mk.json", table("Controller out", "DAW in").dump());
  SeqPeer controller("Orvane test controller"), daw("Orvane test DAW");
  const int out = controller.readable("Controller out"), in = daw.writable("DAW in");
  const auto play = [&](const Messages& messages) {
    for (const auto& m : messages)
      ASSERT_TRUE(controller.play(out, m));
  };
  const auto heard = [&] { return daw.heard(in); };
  RunningProgram program(folder, {"--headless", "--trace", "--midi", "alsa"});
  ASSERT_TRUE(program.started());
  // It says so once its sources are open.
  ASSERT_TRUE(eventually([&] { return traced(program.out(), "MIDI to MK Control is up.*"); }, DEADLINE))
      << program.out() << program.err();

  play(PLAYED);
  ASSERT_TRUE(eventually([&] { return heard().size() >= SENT.size(); }, DEADLINE));
  ASSERT_FALSE(eventually([&] { return heard().size() > SENT.size(); }, 0.2));
  ASSERT_EQ(heard(), SENT);
  EXPECT_TRUE(traced(program.out(), "MIDI through the ALSA sequencer, as asked")) << program.out();
  EXPECT_TRUE(traced(program.out(), "CC 20 = 127   →   BANK: THE FIRST TRACKS.*")) << program.out();
  EXPECT_TRUE(traced(program.out(), "NOTE 62 = 127   →   STOP.*")) << program.out();

  play(HOLD);
  ASSERT_TRUE(eventually([&] { return heard() == then(SENT, HELD); }, DEADLINE));
  program.signal(SIGTERM);
  EXPECT_EQ(program.ended(DEADLINE), 0) << program.err();
  EXPECT_TRUE(eventually([&] { return heard() == then(SENT, HELD, RELEASED); }, 2))
      << testing::PrintToString(heard());
}

// Unrelated clients come and go, each with a port subscribed to another of its own: every source that came
// is opened and every one that went closed alone, so what the controller plays all reaches the DAW and the
// controller's subscription to the program is never broken and made again.
TEST(ProgramOnAlsa, EveryMessageReachesTheDawWhileUnrelatedClientsComeAndGoAndTheControllerStaysSubscribed) {
  REQUIRE_SEQUENCER();
  TempFolder folder;
  auto settings = table("Controller out", "DAW in");
  settings["rows"] = {{{"id", 1}, {"from", "cc"}, {"number", 21}, {"command", "fader1"}}};
  folder.write("home/.config/midi-to-mk.json", settings.dump());
  SeqPeer controller("Orvane test controller"), daw("Orvane test DAW");
  const int out = controller.readable("Controller out"), in = daw.writable("DAW in");
  ASSERT_TRUE(controller.watchAnnouncements());
  RunningProgram program(folder, {"--headless", "--trace", "--midi", "alsa"});
  ASSERT_TRUE(program.started());
  ASSERT_TRUE(eventually([&] { return traced(program.out(), "MIDI to MK Control is up.*"); }, DEADLINE))
      << program.out() << program.err();

  constexpr int COUNT = 100;
  const auto spacing = std::chrono::milliseconds(30);
  std::thread bystanders([&] {
    for (int i = 0; i < 20; ++i) {
      SeqPeer bystander("bystander " + std::to_string(i));
      bystander.link(bystander.readable("out"), bystander.writable("in"));
      std::this_thread::sleep_for(spacing * COUNT / 40);
    }
  });
  Messages expected;
  for (int k = 0; k < COUNT; ++k) {
    ASSERT_TRUE(controller.play(out, {0xB0, 21, static_cast<std::uint8_t>(k)}));
    const auto bend = static_cast<int>(std::floor(k * 16383.0 / 127.0 + 0.5));
    expected.push_back({0xE0, static_cast<std::uint8_t>(bend % 128), static_cast<std::uint8_t>(bend / 128)});
    std::this_thread::sleep_for(spacing);
  }
  bystanders.join();
  EXPECT_TRUE(eventually([&] { return daw.heard(in) == expected; }, DEADLINE))
      << testing::PrintToString(daw.heard(in));
  EXPECT_EQ(controller.unsubscribed(out), 0);
}

}  // namespace
