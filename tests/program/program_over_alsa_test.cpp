// The built program as a black box on the ALSA sequencer (inside the virtual machine): sequencer clients of
// the test play the controller, stand for the DAW and come and go as bystanders, the trace is read from
// standard output, and a quit signal must let go of every note held towards the DAW.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/alsa/seq_peer.h"
#include "running_program.h"

namespace {

using namespace program;

// Emulated, the machine is slow to start a program.
constexpr double DEADLINE = 30;

// Unrelated clients come and go, each with a port subscribed to another of its own: every source that came
// is opened and every one that went closed alone, so what the controller plays all reaches the DAW and the
// controller's subscription to the program is never broken and made again. Then SIGTERM lets go of the notes
// held towards the DAW, which the sequencer must still deliver as the program ends.
TEST(ProgramOnAlsa,
     EveryMessageReachesTheDawWhileUnrelatedClientsComeAndGoAndTheControllerStaysSubscribedAndSigtermLetsGo) {
  REQUIRE_SEQUENCER();
  TempFolder folder;
  folder.write("home/.config/midi-to-mk.json", table("Controller out", "DAW in").dump());
  SeqPeer controller("Orvane test controller"), daw("Orvane test DAW");
  const int out = controller.readable("Controller out"), in = daw.writable("DAW in");
  ASSERT_TRUE(controller.watchAnnouncements());
  RunningProgram program(folder, {"--headless", "--trace", "--midi", "alsa"});
  ASSERT_TRUE(program.started());
  ASSERT_TRUE(eventually([&] { return traced(program.out(), "MIDI to MK Control is up.*"); }, DEADLINE))
      << program.out() << program.err();
  EXPECT_TRUE(traced(program.out(), "MIDI through the ALSA sequencer, as asked")) << program.out();

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
    expected.push_back(bendFor(k));
    std::this_thread::sleep_for(spacing);
  }
  bystanders.join();
  EXPECT_TRUE(eventually([&] { return daw.heard(in) == expected; }, DEADLINE))
      << testing::PrintToString(daw.heard(in));
  EXPECT_EQ(controller.unsubscribed(out), 0);

  const auto since = [&, from = daw.heard(in).size()] {
    const auto all = daw.heard(in);
    return Messages(all.begin() + static_cast<std::ptrdiff_t>(std::min(from, all.size())), all.end());
  };
  for (const auto& m : HOLD)
    ASSERT_TRUE(controller.play(out, m));
  ASSERT_TRUE(eventually([&] { return since() == HELD; }, DEADLINE)) << testing::PrintToString(since());
  program.signal(SIGTERM);
  EXPECT_EQ(program.ended(DEADLINE), 0) << program.err();
  EXPECT_TRUE(eventually([&] { return since() == HELD_THEN_RELEASED; }, 2))
      << testing::PrintToString(since());
}

}  // namespace
