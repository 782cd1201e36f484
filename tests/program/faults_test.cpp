// The built program as a black box on a real JACK server when the services under it fail for real: the JACK
// server killed and started again, the controller's port gone while notes are held towards the DAW, its X
// server gone, the pulse server stopped and started again, no MIDI layer at all. A controller peer plays CCs
// and notes, a DAW peer hears the Mackie bytes, the trace is read from standard output.
#include <gtest/gtest.h>

#include "jack_peer.h"
#include "running_program.h"
#include "support/private_jack_server.h"
#include "support/private_x_server.h"

namespace {

using namespace program;

class Faults : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server.answers()) << "a private jackd did not start; " << server.log();
    folder.write("home/.config/midi-to-mk.json", table("knobs", "input").dump());
    plugPeers();
  }
  // The controller and the DAW, on the server as it is now.
  void plugPeers() {
    controller = std::make_unique<JackPeer>("controller", std::vector<std::string>{"knobs"}, NONE);
    daw = std::make_unique<JackPeer>("dumper", NONE, std::vector<std::string>{"input"});
    ASSERT_TRUE(controller->open() && daw->open());
  }
  void start() {
    program = std::make_unique<RunningProgram>(
        folder, std::vector<std::string>{"--headless", "--trace", "--midi", "jack"});
    ASSERT_TRUE(program->started());
    ASSERT_TRUE(eventually([&] { return bothListen(); }, 10)) << said();
  }
  // Both modules have connected an input port of theirs to the controller, in the graph JACK runs: what it
  // sends before then is lost.
  bool bothListen() const {
    return controller->linkedTo(":MK in") && controller->linkedTo(":MIDI to Key Stroke in") &&
           controller->linked();
  }
  bool play(const Messages& messages) {
    return std::all_of(messages.begin(), messages.end(), [&](auto& m) { return controller->send(1, m); });
  }
  Messages heard() const { return daw->heard(); }
  std::string said() const { return program->out() + program->err(); }

  const std::vector<std::string> NONE;
  TempFolder folder;
  PrivateJackServer server{folder};
  std::unique_ptr<JackPeer> controller, daw;
  std::unique_ptr<RunningProgram> program;
};

TEST_F(Faults, TheJackServerKilledMidRunIsTracedAndOnItsReturnMidiWorksWithinThreeSeconds) {
  start();
  server.kill();
  const std::string gone = "the JACK server went away: MIDI waits for it to come back";
  ASSERT_TRUE(eventually([&] { return traced(program->out(), gone) && controller->gone(); })) << said();
  ASSERT_TRUE(server.start()) << server.log();
  const auto back = std::chrono::steady_clock::now();
  plugPeers();  // the peers' clients died with the old server
  const auto left = [&] {
    return 3 - std::chrono::duration<double>(std::chrono::steady_clock::now() - back).count();
  };
  ASSERT_TRUE(eventually([&] { return bothListen(); }, left())) << said();
  ASSERT_TRUE(play({{0xB0, 21, 64}}));  // the fader half way
  EXPECT_TRUE(eventually([&] { return heard() == Messages{bendFor(64)}; }, left()))
      << said() << ::testing::PrintToString(heard());
  EXPECT_TRUE(traced(program->out(), "the JACK server answers: MIDI goes through it")) << said();
}

// The controller goes (unplugged) while its notes hold SHIFT and OPTION in the DAW, so that their releases
// can never come: SIGTERM must still let go of both at the DAW's port.
TEST_F(Faults, AControllerGoneWhileItsNotesAreHeldStillGetsThemReleasedAtSigterm) {
  start();
  ASSERT_TRUE(play(HOLD));
  ASSERT_TRUE(eventually([&] { return heard() == HELD; })) << said();
  controller.reset();
  // The program has noticed once its input port for the controller is gone.
  ASSERT_TRUE(eventually([&] { return !daw->portExists(":MK in"); })) << said();
  program->signal(SIGTERM);
  EXPECT_EQ(program->ended(10), 0) << said();
  EXPECT_EQ(heard(), HELD_THEN_RELEASED) << said();
}

// A desktop session that ends takes the program's X server with it, and Qt then ends the process from inside
// the X connection, past the end of main: the notes it holds towards the DAW are let go all the same.
TEST_F(Faults, TheXServerGoneWhileNotesAreHeldStillGetsThemReleased) {
  PrivateXServer x(folder);
  ASSERT_FALSE(x.display().empty()) << x.log();
  ::setenv("DISPLAY", x.display().c_str(), 1);
  program = std::make_unique<RunningProgram>(folder, std::vector<std::string>{"--trace", "--midi", "jack"});
  ::unsetenv("DISPLAY");
  // Its window up, as a user's would be: the program is done starting.
  const std::string window =
      "DISPLAY=" + x.display() + " xdotool search --onlyvisible --name '^Orvane VUDA Verer$'";
  ASSERT_TRUE(eventually([&] { return !output(window).empty() && bothListen(); }, 10)) << said();
  ASSERT_TRUE(play(HOLD));
  ASSERT_TRUE(eventually([&] { return heard() == HELD; })) << said() << testing::PrintToString(heard());
  x.kill();
  EXPECT_TRUE(program->ended(10).has_value()) << said();
  EXPECT_EQ(heard(), HELD_THEN_RELEASED) << said();
}

// Without the MIDI layer it was asked for, the program says why in its trace and keeps running; and while it
// waits for a JACK server, which it asks every second, nothing of JACK's own complaints reaches its standard
// error. Without a display (DISPLAY empty) it runs headless by itself and says so.
TEST(ProgramWithoutMidi, SaysWhyKeepsRunningAndLeavesStandardErrorQuietWhileItWaitsForJack) {
  const TempFolder alsaHome, jackHome;
  // The sequencer's configuration without the sequencer, also on a machine that has one.
  alsaHome.write("empty.conf", "");
  ::setenv("ALSA_CONFIG_PATH", (alsaHome.path() + "/empty.conf").c_str(), 1);
  ::setenv("DISPLAY", "", 1);
  RunningProgram alsa(alsaHome, {"--trace", "--midi", "alsa"});
  ::unsetenv("ALSA_CONFIG_PATH");
  EXPECT_TRUE(eventually([&] {
    return traced(alsa.out(), "MIDI through the ALSA sequencer, as asked: it could not be opened \\(.*\\)");
  })) << alsa.out();
  EXPECT_NE(alsa.err().find("no display: running headless, without tray or window\n"), std::string::npos)
      << alsa.err();
  ::setenv("JACK_DEFAULT_SERVER", "vuda-test-nowhere", 1);
  RunningProgram jack(jackHome, {"--headless", "--trace", "--midi", "jack"});
  EXPECT_TRUE(eventually([&] {
    return traced(jack.out(), "MIDI through JACK, as asked: no JACK server answers yet");
  })) << jack.out();
  EXPECT_FALSE(eventually([&] { return !jack.err().empty(); }, 2.5)) << jack.err();
  EXPECT_FALSE(alsa.ended(0).has_value()) << alsa.err();
}

TEST_F(Faults, ThePulseServerStoppedAndRestartedMakesAVolumeRowSayThereIsNoOutputDeviceThenWorkAgain) {
  // A pulse server of the test's own with a null sink, stopped and started again at one address.
  const std::string pulseDir = folder.path() + "/pulse", address = "unix:" + pulseDir + "/native";
  folder.write("pulse/home/.keep", "");
  ::mkdir((pulseDir + "/run").c_str(), 0700);
  std::unique_ptr<SpawnedProcess> pulse;
  // The default sink's volume as pactl reads it ("40%"), empty without an answer.
  const auto percent = [&] {
    return output("PULSE_SERVER=" + address + " pactl get-sink-volume @DEFAULT_SINK@ 2>/dev/null | " +
                  "grep -o '[0-9]*%' | head -n 1 | tr -d '\\n'");
  };
  const auto startPulse = [&] {
    pulse = std::make_unique<SpawnedProcess>(
        std::vector<std::string>{
            "env", "HOME=" + pulseDir + "/home", "XDG_RUNTIME_DIR=" + pulseDir + "/run", "pulseaudio",
            "--daemonize=no", "--exit-idle-time=-1", "--disallow-exit", "-n", "--use-pid-file=no",
            "--realtime=no", "-L", "module-null-sink sink_name=faults", "-L",
            "module-native-protocol-unix socket=" + pulseDir + "/native auth-anonymous=1"},
        pulseDir + "/pulse.log");
    return eventually([&] { return pulse->exited() || !percent().empty(); }, 10) && !pulse->exited();
  };
  ASSERT_TRUE(startPulse());
  ::setenv("PULSE_SERVER", address.c_str(), 1);
  // A Key Stroke row on CC 7 sets the volume silently.
  folder.write(
      "home/.config/midi-to-keystroke.json",
      R"({"device": "knobs", "blob": false, "rows": [{"id": 1, "cc": 7, "type": "cc", "kind": "volume"}]})");
  start();
  const auto turn = [&](int value) {
    const auto from = program->out().size();
    const std::string line = "CC 7 = " + std::to_string(value);
    EXPECT_TRUE(play({{0xB0, 7, static_cast<std::uint8_t>(value)}}));
    EXPECT_TRUE(eventually([&] { return program->out().find(line, from) != std::string::npos; })) << said();
    const auto now = program->out();
    return now.substr(now.rfind(line));
  };
  EXPECT_EQ(turn(64), "CC 7 = 64   →   volume 50%\n");
  EXPECT_TRUE(eventually([&] { return percent() == "50%"; })) << percent();
  pulse.reset();
  EXPECT_EQ(turn(32), "CC 7 = 32   →   volume 25%  — the Mac has no output device\n");
  ASSERT_TRUE(startPulse());
  EXPECT_EQ(turn(96), "CC 7 = 96   →   volume 76%\n");
  EXPECT_TRUE(eventually([&] { return percent() == "76%"; })) << percent();
}

}  // namespace
