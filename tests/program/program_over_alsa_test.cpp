// The built program as a black box on the ALSA sequencer (inside the virtual machine): two sequencer clients
// of the test play the controller and stand for the DAW, the trace is read from standard output, and a quit
// signal must let go of every note held towards the DAW.
#include <gtest/gtest.h>

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

}  // namespace
