// The built program as a black box on a real JACK server, and the MK engine on its own, also when the
// services under them fail for real: the JACK server killed and started again, the controller's port gone
// while notes are held towards the DAW, the X server gone, the pulse server stopped and started again. A
// controller peer plays CCs and notes, a DAW peer hears the Mackie bytes, the trace is read from standard
// output.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <chrono>

#include "jack_peer.h"
#include "mackie/engine/engine.h"
#include "platform/jack/jack_midi_system.h"
#include "platform/qt/qt_loop.h"
#include "program_checks.h"
#include "running_program.h"
#include "support/engine_services.h"
#include "support/fake_audio_output.h"
#include "support/fake_workspace.h"
#include "support/private_jack_server.h"
#include "support/private_x_server.h"
#include "support/recording_key_output.h"

namespace {

using namespace program;

const std::vector<std::string> NONE;

// One Qt application for the test process; the engine's loop runs on it.
QCoreApplication& qtApplication() {
  static int argc = 1;
  static char name[] = "faults_tests";
  static char* argv[] = {name, nullptr};
  static QCoreApplication app(argc, argv);
  return app;
}

bool runUntil(const std::function<bool()>& condition, double seconds = 5) {
  qtApplication();
  return eventually([&] { return QCoreApplication::processEvents(QEventLoop::AllEvents, 5), condition(); },
                    seconds);
}

// A pulse server of the test's own with a null sink, which the test stops and starts again at one address.
class PrivatePulseServer {
 public:
  explicit PrivatePulseServer(const TempFolder& folder)
      : folder_(folder.path() + "/pulse"), address_("unix:" + folder_ + "/native") {
    folder.write("pulse/home/.keep", "");
    ::mkdir((folder_ + "/run").c_str(), 0700);
  }
  const std::string& address() const { return address_; }
  bool start() {
    process_ = std::make_unique<SpawnedProcess>(
        std::vector<std::string>{
            "env", "HOME=" + folder_ + "/home", "XDG_RUNTIME_DIR=" + folder_ + "/run", "pulseaudio",
            "--daemonize=no", "--exit-idle-time=-1", "--disallow-exit", "-n", "--use-pid-file=no",
            "--realtime=no", "-L", "module-null-sink sink_name=faults", "-L",
            "module-native-protocol-unix socket=" + folder_ + "/native auth-anonymous=1"},
        folder_ + "/pulse.log");
    return eventually([&] { return process_->exited() || !percent().empty(); }, 10) && !process_->exited();
  }
  void stop() { process_.reset(); }
  // The default sink's volume as pactl reads it ("40%"), empty without an answer.
  std::string percent() const {
    return output("PULSE_SERVER=" + address_ +
                  " pactl get-sink-volume @DEFAULT_SINK@ 2>/dev/null | head -n 1 | " +
                  "grep -o '[0-9]*%' | head -n 1 | tr -d '\\n'");
  }

 private:
  std::string folder_, address_;
  std::unique_ptr<SpawnedProcess> process_;
};

class Faults : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server.answers()) << "a private jackd did not start; " << server.log();
    folder.write("home/.config/midi-to-mk.json", table("knobs", "input").dump());
    plugController();
  }
  // The controller and the DAW, on the server as it is now.
  void plugController() {
    controller = std::make_unique<JackPeer>("controller", std::vector<std::string>{"knobs"}, NONE);
    ASSERT_TRUE(controller->open());
  }
  void startDaw() {
    daw = std::make_unique<JackPeer>("dumper", NONE, std::vector<std::string>{"input"});
    ASSERT_TRUE(daw->open());
  }
  void start(std::vector<std::string> options = {"--headless", "--trace"}) {
    options.insert(options.end(), {"--midi", "jack"});
    program = std::make_unique<RunningProgram>(folder, options);
    ASSERT_TRUE(program->started());
    ASSERT_TRUE(eventually([&] { return bothListen(); }, 10)) << said();
  }
  // Both modules have connected an input port of theirs to the controller.
  bool bothListen() const {
    return controller->linkedTo(":MK in") && controller->linkedTo(":MIDI to Key Stroke in");
  }
  bool play(const std::vector<Message>& messages) {
    for (const auto& m : messages)
      if (!controller->send(1, {m.begin(), m.end()})) return false;
    return true;
  }
  std::vector<std::string> heard() const {
    std::vector<std::string> out;
    for (const auto& bytes : daw->heard())
      out.push_back(hex(bytes));
    return out;
  }
  std::string said() const { return program->out() + program->err(); }

  TempFolder folder;
  PrivateJackServer server{folder};
  std::unique_ptr<JackPeer> controller, daw;
  std::unique_ptr<RunningProgram> program;
};

TEST_F(Faults, TheJackServerKilledMidRunIsTracedAndOnItsReturnTheMidiPathWorksAgainWithinThreeSeconds) {
  startDaw();
  start();
  ASSERT_TRUE(play(PLAYED));
  ASSERT_TRUE(eventually([&] { return heard() == SENT; })) << said() << ::testing::PrintToString(heard());
  EXPECT_TRUE(traced(program->out(), "MIDI through JACK, as asked")) << said();

  server.kill();
  const std::string gone = "the JACK server went away: MIDI waits for it to come back";
  ASSERT_TRUE(eventually([&] { return traced(program->out(), gone) && controller->gone(); })) << said();
  ASSERT_TRUE(server.start()) << server.log();
  const auto back = std::chrono::steady_clock::now();
  // The peers' clients died with the old server: new ones come with the new.
  plugController();
  startDaw();
  const auto left = [&] {
    return 3 - std::chrono::duration<double>(std::chrono::steady_clock::now() - back).count();
  };
  ASSERT_TRUE(eventually([&] { return bothListen(); }, left())) << said();
  ASSERT_TRUE(play(PLAYED));
  EXPECT_TRUE(eventually([&] { return heard().size() >= SENT.size(); }, left())) << said();
  EXPECT_EQ(heard(), SENT) << said();
  EXPECT_TRUE(traced(program->out(), "the JACK server answers: MIDI goes through it")) << said();
  EXPECT_FALSE(program->ended(0).has_value()) << said();
}

// The controller's notes hold SHIFT and OPTION in the DAW; then the controller goes (unplugged), so its
// releases can never come. Quitting must still let go of both at the DAW's port.
TEST_F(Faults, AControllerGoneWhileItsNotesAreHeldStillGetsThemReleasedAtSigterm) {
  startDaw();
  start();
  ASSERT_TRUE(play(HOLD));
  ASSERT_TRUE(eventually([&] { return heard() == HELD; })) << said();
  controller.reset();
  // The program has noticed once its input port for the controller is gone.
  const JackPeer observer("observer", NONE, NONE);
  ASSERT_TRUE(eventually([&] { return observer.jack() != nullptr && !observer.portExists(":MK in"); }))
      << said();

  program->signal(SIGTERM);
  EXPECT_EQ(program->ended(10), 0) << said();
  EXPECT_EQ(heard(), then(HELD, RELEASED)) << said();
}

// The end of a desktop session: the X server goes, and Qt ends the process on its own; the notes held towards
// the DAW are let go of all the same.
TEST_F(Faults, WhenItsXServerGoesTheProgramLetsGoOfEveryHeldNote) {
  PrivateXServer x(folder);
  ASSERT_FALSE(x.display().empty()) << x.log();
  ::setenv("DISPLAY", x.display().c_str(), 1);
  startDaw();
  start({});
  ASSERT_TRUE(play(HOLD));
  ASSERT_TRUE(eventually([&] { return heard() == HELD; })) << said();

  x.kill();
  EXPECT_TRUE(program->ended(10).has_value()) << said();
  EXPECT_TRUE(eventually([&] { return heard() == then(HELD, RELEASED); }, 2)) << said();
}

// The same at the engine's two other ways of letting go: the module's power switched off, and the module
// stopped (its switch in the window, and quitting, which stops every module).
TEST_F(Faults, AControllerGoneWhileItsNotesAreHeldStillGetsThemReleasedAtPowerOffAndAtStop) {
  startDaw();
  qtApplication();
  FakeAudioOutput audio;
  RecordingKeyOutput keys;
  FakeWorkspace workspace;
  QtLoop loop;
  JackMidiSystem midi(loop, server.name());
  const auto engine =
      std::make_shared<MKEngine>(mkServicesAt(folder.path() + "/home", loop, midi, audio, keys, workspace));
  engine->start();
  const auto holdThenLoseTheController = [&] {
    ASSERT_TRUE(runUntil([&] { return controller->linked() && engine->outName == "input"; }, 10));
    const auto before = heard().size();
    ASSERT_TRUE(play(HOLD));
    ASSERT_TRUE(runUntil([&] { return heard().size() == before + HELD.size(); }));
    controller.reset();
    ASSERT_TRUE(runUntil([&] { return engine->midi->names.empty(); }));
  };

  holdThenLoseTheController();
  engine->setPower();
  EXPECT_TRUE(runUntil([&] { return heard().size() == 4; }));
  EXPECT_EQ(heard(), then(HELD, RELEASED));

  engine->setPower();
  plugController();  // plugged in again
  holdThenLoseTheController();
  engine->stop();
  EXPECT_TRUE(runUntil([&] { return heard().size() == 8; }));
  EXPECT_EQ(heard(), then(then(HELD, RELEASED), then(HELD, RELEASED)));
}

TEST_F(Faults, ThePulseServerStoppedAndRestartedMakesAVolumeRowSayThereIsNoOutputDeviceThenWorkAgain) {
  PrivatePulseServer pulse(folder);
  ASSERT_TRUE(pulse.start());
  ::setenv("PULSE_SERVER", pulse.address().c_str(), 1);
  // A Key Stroke row on CC 7 sets the volume silently.
  folder.write(
      "home/.config/midi-to-keystroke.json",
      R"({"device": "knobs", "blob": false, "rows": [{"id": 1, "cc": 7, "type": "cc", "kind": "volume"}]})");
  start();
  const auto turn = [&](int value) {
    const auto lines = program->out();
    EXPECT_TRUE(play({{0xB0, 7, static_cast<std::uint8_t>(value)}}));
    EXPECT_TRUE(eventually([&] {
      const auto now = program->out();
      return now.size() > lines.size() &&
             now.find("CC 7 = " + std::to_string(value), lines.size()) != std::string::npos;
    })) << said();
    const auto now = program->out();
    return now.substr(now.rfind("CC 7 = " + std::to_string(value)));
  };
  EXPECT_EQ(turn(64), "CC 7 = 64   →   volume 50%\n");
  EXPECT_TRUE(eventually([&] { return pulse.percent() == "50%"; })) << pulse.percent();

  pulse.stop();
  EXPECT_EQ(turn(32), "CC 7 = 32   →   volume 25%  — the Mac has no output device\n");
  ASSERT_TRUE(pulse.start());
  EXPECT_EQ(turn(96), "CC 7 = 96   →   volume 76%\n");
  EXPECT_TRUE(eventually([&] { return pulse.percent() == "76%"; })) << pulse.percent();
}

}  // namespace
