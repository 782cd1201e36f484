// The built program as a black box on a real JACK server: a controller peer plays CCs and notes, a DAW peer
// (jack_midi_dump) hears the Mackie bytes, the trace is read from standard output, and a quit signal must
// let go of every note held towards the DAW.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <regex>

#include "integration/jack_peers.h"
#include "jack_controller.h"
#include "running_program.h"

namespace {

// Under JACK a row's device and the destination towards the DAW are ports' short names.
const nlohmann::json TABLE = {
    {"device", "knobs"},
    {"out", "input"},
    {"rows",
     {{{"id", 1}, {"from", "cc"}, {"number", 20}, {"command", "bankfirst"}, {"value", 127}},
      {{"id", 2}, {"from", "note"}, {"number", 62}, {"command", "stop"}, {"how", "press"}, {"value", 127}},
      {{"id", 3}, {"from", "note"}, {"number", 64}, {"command", "shift"}, {"how", "hold"}},
      {{"id", 4}, {"from", "note"}, {"number", 65}, {"command", "option"}, {"how", "hold"}}}}};

class ProgramOnJack : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server.answers()) << "a private jackd did not start; " << server.log();
    folder.write("home/.config/midi-to-mk.json", TABLE.dump());
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
  std::vector<DumpedMessage> heard() const { return dumped(daw->output()); }
  std::string bytesHeard() const {
    std::string all;
    for (const auto& m : heard())
      all += m.bytes + " at " + std::to_string(m.frame) + "\n";
    return all;
  }

  TempFolder folder;
  PrivateJackServer server{folder};
  std::unique_ptr<JackController> controller;
  std::unique_ptr<SpawnedProcess> daw;
  std::unique_ptr<RunningProgram> program;
};

TEST_F(ProgramOnJack, HeadlessCcsAndNotesLeaveAsMackieBytesInOrderPacedAndTracedOnStandardOutput) {
  start({"--headless", "--trace"});
  // The button's release (CC 20 at 0) and the note-off match no row: nothing may leave for them.
  ASSERT_TRUE(controller->play({{0xB0, 20, 127}, {0xB0, 20, 0}, {0x90, 62, 127}, {0x80, 62, 0}}));

  // BANK: THE FIRST TRACKS is SHIFT + BANK LEFT pressed and released; STOP is pressed and released 30 ms
  // later.
  const std::vector<std::string> expected = {"90 46 7f", "90 2e 7f", "90 2e 00",
                                             "90 46 00", "90 5d 7f", "90 5d 00"};
  ASSERT_TRUE(eventually([&] { return heard().size() >= expected.size(); }, 5)) << bytesHeard();
  ASSERT_FALSE(eventually([&] { return heard().size() > expected.size(); }, 0.2)) << bytesHeard();
  const auto got = heard();
  for (std::size_t i = 0; i < expected.size(); ++i)
    EXPECT_EQ(got[i].bytes, expected[i]) << bytesHeard();
  // One message every 20 ms (960 frames at 48 kHz), each landing in the JACK period after it left. Measured
  // over the whole run, so that a late tick of the program's timer (it keeps its schedule) does not count.
  EXPECT_GE(got.back().frame - got.front().frame, (960 * 5) - 256) << bytesHeard();

  // Each trace line as it is written, "<module>  HH:MM:SS  <text>", while the program still runs.
  const auto traced = [&](const std::string& text) {
    const std::regex line("(^|\n)mackie  \\d\\d:\\d\\d:\\d\\d  " + text + "\n");
    return std::regex_search(program->out(), line);
  };
  EXPECT_TRUE(traced("MIDI through JACK, as asked")) << program->out();
  EXPECT_TRUE(traced("CC 20 = 127   →   BANK: THE FIRST TRACKS.*")) << program->out();
  EXPECT_TRUE(traced("NOTE 62 = 127   →   STOP.*")) << program->out();
}

TEST_F(ProgramOnJack, UnderXvfbSigtermLetsGoOfEveryHeldNoteAndEndsTheProgramWithStatusZero) {
  REQUIRE_SERVICE("DISPLAY", "Xvfb");
  start({});
  // SHIFT and OPTION held down from the controller, whose notes never end.
  ASSERT_TRUE(controller->play({{0x90, 64, 127}, {0x90, 65, 127}}));
  const auto holding = [&](const std::vector<std::string>& wanted) {
    std::vector<std::string> got;
    for (const auto& m : heard())
      got.push_back(m.bytes);
    return got == wanted;
  };
  ASSERT_TRUE(eventually([&] { return holding({"90 46 7f", "90 47 7f"}); })) << bytesHeard();

  program->signal(SIGTERM);
  EXPECT_EQ(program->ended(10), 0) << program->err();
  EXPECT_TRUE(eventually(
      [&] {
        return holding({"90 46 7f", "90 47 7f", "90 46 00", "90 47 00"});
      },
      2))
      << bytesHeard();
}

}  // namespace
