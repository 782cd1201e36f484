// The built program as a black box on the ALSA sequencer (inside the virtual machine): two sequencer clients
// of the test play the controller and stand for the DAW, the trace is read from standard output, and a quit
// signal must let go of every note held towards the DAW.
#include <gtest/gtest.h>

#include "platform/alsa/seq_peer.h"
#include "program_checks.h"
#include "running_program.h"
#include "support/spawned_process.h"

namespace {

using namespace program;

// Emulated, the machine is slow to start a program.
constexpr double DEADLINE = 30;

class ProgramOnAlsa : public ::testing::Test {
 protected:
  void SetUp() override {
    REQUIRE_SEQUENCER();
    folder.write("home/.config/midi-to-mk.json", table("Controller out", "DAW in").dump());
    controller = std::make_unique<SeqPeer>("Orvane test controller");
    daw = std::make_unique<SeqPeer>("Orvane test DAW");
    out = controller->readable("Controller out");
    in = daw->writable("DAW in");
  }

  // Starts the program on the sequencer and waits until it listens, which it says once its sources are open.
  void start(std::vector<std::string> options) {
    options.insert(options.end(), {"--trace", "--midi", "alsa"});
    program = std::make_unique<RunningProgram>(folder, options);
    ASSERT_TRUE(program->started());
    ASSERT_TRUE(eventually([&] { return traced(program->out(), "MIDI to MK Control is up.*"); }, DEADLINE))
        << program->out() << program->err();
  }
  void play(const std::vector<Message>& messages) {
    for (const auto& m : messages)
      ASSERT_TRUE(controller->play(out, {m.begin(), m.end()}));
  }
  std::vector<Heard> heard() const {
    std::vector<Heard> got;
    for (const auto& h : daw->heard(in))
      got.push_back({hex(h.bytes), std::chrono::duration<double, std::milli>(h.at).count()});
    return got;
  }

  TempFolder folder;
  std::unique_ptr<SeqPeer> controller, daw;
  int out = -1, in = -1;
  std::unique_ptr<RunningProgram> program;
};

// Held notes are released at SIGTERM, after the played ones went out.
TEST_F(ProgramOnAlsa, HeadlessCcsAndNotesLeaveAsMackieBytesInOrderPacedAndTracedAndSigtermLetsGoOfHeldNotes) {
  start({"--headless"});
  play(PLAYED);
  ASSERT_TRUE(eventually([&] { return heard().size() >= SENT.size(); }, DEADLINE)) << listed(heard());
  ASSERT_FALSE(eventually([&] { return heard().size() > SENT.size(); }, 0.2)) << listed(heard());
  // The kernel stamps each message as it delivers it; a millisecond for the timer's rounding.
  expectSentPaced(heard(), 1);

  EXPECT_TRUE(traced(program->out(), "MIDI through the ALSA sequencer, as asked")) << program->out();
  EXPECT_TRUE(traced(program->out(), "CC 20 = 127   →   BANK: THE FIRST TRACKS.*")) << program->out();
  EXPECT_TRUE(traced(program->out(), "NOTE 62 = 127   →   STOP.*")) << program->out();

  play(HOLD);
  ASSERT_TRUE(eventually([&] { return bytesOf(heard()) == then(SENT, HELD); }, DEADLINE)) << listed(heard());
  program->signal(SIGTERM);
  EXPECT_EQ(program->ended(DEADLINE), 0) << program->err();
  EXPECT_TRUE(eventually([&] { return bytesOf(heard()) == then(then(SENT, HELD), RELEASED); }, 2))
      << listed(heard());
}

}  // namespace
