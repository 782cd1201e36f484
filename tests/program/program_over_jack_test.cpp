// The built program as a black box on a real JACK server: a controller peer plays CCs and notes, a DAW peer
// (jack_midi_dump) hears the Mackie bytes, the trace is read from standard output, and a quit signal or the
// end of the desktop session must let go of every note held towards the DAW.
#include <gtest/gtest.h>

#include "integration/jack_peers.h"
#include "jack_controller.h"
#include "program_checks.h"
#include "running_program.h"
#include "support/private_x_server.h"

namespace {

using namespace program;

constexpr double FRAMES_PER_MS = 48;  // the private server's rate

class ProgramOnJack : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server.answers()) << "a private jackd did not start; " << server.log();
    // Under JACK ports go by their short names: the controller's "knobs", jack_midi_dump's "input".
    folder.write("home/.config/midi-to-mk.json", table("knobs", "input").dump());
    controller = std::make_unique<JackController>("controller", "knobs");
    daw = std::make_unique<SpawnedProcess>(std::vector<std::string>{"jack_midi_dump", "-a", "dumper"},
                                           folder.path() + "/daw.log");
    ASSERT_TRUE(controller->open() && daw->running());
  }

  // Starts the program on JACK and waits until it listens to the controller.
  void start(std::vector<std::string> options) {
    options.insert(options.end(), {"--midi", "jack"});
    program = std::make_unique<RunningProgram>(folder, options);
    ASSERT_TRUE(program->started());
    ASSERT_TRUE(eventually([&] { return controller->heard(); }, 10)) << program->out() << program->err();
  }
  std::vector<Heard> heard() const {
    std::vector<Heard> out;
    for (const auto& m : dumped(daw->output()))
      out.push_back({m.bytes, static_cast<double>(m.frame) / FRAMES_PER_MS});
    return out;
  }

  TempFolder folder;
  PrivateJackServer server{folder};
  std::unique_ptr<JackController> controller;
  std::unique_ptr<SpawnedProcess> daw;
  std::unique_ptr<RunningProgram> program;
};

// The pacing is the ALSA test's, where the kernel stamps each message as it arrives: the dummy driver's frame
// clock runs ahead in bursts on a busy machine, so its times say nothing about the gaps.
TEST_F(ProgramOnJack, UnderXvfbCcsAndNotesLeaveAsMackieBytesInOrderTracedAndSigtermLetsGoOfTheHeldOnes) {
  REQUIRE_SERVICE("DISPLAY", "Xvfb");
  start({"--trace"});
  ASSERT_TRUE(controller->play(PLAYED));
  ASSERT_TRUE(eventually([&] { return heard().size() >= SENT.size(); }, 5)) << listed(heard());
  ASSERT_TRUE(controller->play(HOLD));
  EXPECT_TRUE(eventually([&] { return bytesOf(heard()) == then(SENT, HELD); })) << listed(heard());
  // Read while the program still runs: each line is written as it happens.
  EXPECT_TRUE(traced(program->out(), "MIDI through JACK, as asked")) << program->out();
  EXPECT_TRUE(traced(program->out(), "CC 20 = 127   →   BANK: THE FIRST TRACKS.*")) << program->out();

  program->signal(SIGTERM);
  EXPECT_EQ(program->ended(10), 0) << program->err();
  EXPECT_TRUE(eventually([&] { return bytesOf(heard()) == then(then(SENT, HELD), RELEASED); }, 2))
      << listed(heard());
}

// The end of a desktop session: the X server goes, and Qt ends the process on its own; the notes held towards
// the DAW are let go of all the same.
TEST_F(ProgramOnJack, WhenItsXServerGoesTheProgramLetsGoOfEveryHeldNote) {
  PrivateXServer x(folder);
  ASSERT_FALSE(x.display().empty()) << x.log();
  ::setenv("DISPLAY", x.display().c_str(), 1);
  start({});
  ASSERT_TRUE(controller->play(HOLD));
  ASSERT_TRUE(eventually([&] { return bytesOf(heard()) == HELD; })) << listed(heard());

  x.kill();
  EXPECT_TRUE(program->ended(10).has_value()) << program->err();
  EXPECT_TRUE(eventually([&] { return bytesOf(heard()) == then(HELD, RELEASED); }, 2)) << listed(heard());
}

}  // namespace
