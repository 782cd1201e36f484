// The built program against a real DAW: Ardour, with its Mackie Control surface ("Mackie Control Universal
// Pro", which shows nothing until a surface answers its query), on a JACK server of the test's own and the
// run's X display. Nothing but the program answers Ardour's handshake. A controller peer plays PLAY / STOP, a
// fader and the jog; a recorder hears what Ardour sends back on its Mackie output.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <optional>
#include <thread>

#include "program/jack_peer.h"
#include "program/running_program.h"
#include "support/private_jack_server.h"

namespace {

using namespace program;
using Bytes = JackPeer::Bytes;

const std::string ARDOUR = std::string(SOURCE_DIR) + "/tests/daw/ardour";

// The ten characters of Ardour's time display as they stand after `events`: CC 0x40 + i on channel 1 sets the
// i-th character from the right.
std::string timecode(const std::vector<Bytes>& events) {
  std::string shown(10, ' ');
  for (const auto& e : events)
    if (e.size() == 3 && e[0] == 0xB0 && e[1] >= 0x40 && e[1] <= 0x49) shown[9 - (e[1] - 0x40)] = char(e[2]);
  return shown;
}

bool holds(const std::vector<Bytes>& events, const Bytes& wanted) {
  return std::find(events.begin(), events.end(), wanted) != events.end();
}

class Daw : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "Ardour needs the run's X display (scripts/services start)";
    int status = -1;
    const auto said = output(ARDOUR + " session " + session + " 2>&1", &status);
    ASSERT_EQ(status, 0) << said;
    // jackd 1.9.21 drops Ardour in about one start of four while Ardour connects its ports: then both start
    // afresh.
    for (int attempt = 1; attempt <= 5 && !ardour; ++attempt) {
      server.reset();
      server = std::make_unique<PrivateJackServer>(folder);
      ASSERT_TRUE(server->answers()) << server->log();
      const auto out = output(ARDOUR + " start " + session, &status);
      if (status == 0) ardour = std::stoi(out);
      ASSERT_TRUE(status == 0 || status == 3) << "ardour start: " << status << "\n" << out;
    }
    ASSERT_TRUE(ardour) << "JACK dropped Ardour at each of five starts";
  }
  void TearDown() override {
    if (ardour) output(ARDOUR + " stop " + session);
  }

  TempFolder folder;
  const std::string session = folder.path() + "/session";
  std::unique_ptr<PrivateJackServer> server;
  std::optional<int> ardour;
};

TEST_F(Daw, ArdourPlaysStopsMovesItsFaderAndItsPlayheadAtTheProgramsMackieControlAndShowsIt) {
  auto settings = table("knobs", "mackie control in");
  settings["back"] = "mackie control out";
  settings["rows"] = {
      {{"id", 1}, {"from", "note"}, {"number", 36}, {"command", "playstop"}, {"value", 127}},
      {{"id", 2}, {"from", "cc"}, {"number", 21}, {"command", "fader1"}, {"how", "14"}},
      {{"id", 3}, {"from", "cc"}, {"number", 22}, {"command", "jog"}, {"how", "twos"}, {"invert", false}}};
  folder.write("home/.config/midi-to-mk.json", settings.dump());
  JackPeer controller("controller", {"knobs"}, {}), recorder("recorder", {}, {"in"});
  ASSERT_TRUE(controller.open() && recorder.open());
  ASSERT_EQ(jack_connect(recorder.jack(), "ardour:mackie control out", (recorder.name() + ":in").c_str()), 0);
  RunningProgram program(folder, {"--headless", "--trace", "--midi", "jack"});
  ASSERT_TRUE(program.started());
  // What Ardour sent on its Mackie output, from its `from`-th message on.
  const auto heard = [&](std::size_t from = 0) {
    auto all = recorder.heard();
    return std::vector(all.begin() + static_cast<std::ptrdiff_t>(std::min(from, all.size())), all.end());
  };
  // Answered, the surface turns on: Ardour names track 1 on strip 1's display. Ardour asks at each new
  // connection to its Mackie output but now and then leaves a query out: connecting the recorder afresh asks
  // again.
  const Bytes named = {0xF0, 0x00, 0x00, 0x66, 0x14, 0x12, 0x00, 'A', 'u', 'd', 'i', 'o', '1', ' ', 0xF7};
  const auto recorderIn = recorder.name() + ":in";
  for (int ask = 1; ask <= 3 && !eventually([&] { return holds(heard(), named); }, 5); ++ask) {
    jack_disconnect(recorder.jack(), "ardour:mackie control out", recorderIn.c_str());
    jack_connect(recorder.jack(), "ardour:mackie control out", recorderIn.c_str());
  }
  ASSERT_TRUE(holds(heard(), named)) << program.out() << program.err();
  EXPECT_TRUE(eventually([&] {
    return traced(program.out(),
                  "the DAW asked on mackie control out for a Mackie Control surface — "
                  "answered on mackie control in");
  })) << program.out();

  // A message from the controller, played again when the program never traced it: a late cycle of the
  // server (an xrun) may drop it inside JACK, which nothing downstream can make up for.
  const auto play = [&](const Bytes& message, const std::string& traces) {
    for (int attempt = 1; attempt <= 3; ++attempt) {
      const auto before = program.out().size();
      controller.send(1, message);
      if (eventually([&] { return program.out().find(traces, before) != std::string::npos; }, 2)) return true;
    }
    return false;
  };

  // PLAY / STOP: Ardour's PLAY lamp is dark, so the button plays; the display then counts.
  std::size_t from = heard().size();
  ASSERT_TRUE(
      play({0x90, 36, 127}, "(PLAY (note 94: Live could not be asked, and the DAW's PLAY lamp is dark))"))
      << program.out() << controller.xruns() << " xruns";
  ASSERT_TRUE(eventually([&] { return holds(heard(from), {0x90, 0x5E, 0x7F}); })) << controller.xruns();
  const auto started = timecode(heard());
  EXPECT_TRUE(eventually([&] { return timecode(heard()) != started; })) << started;
  // Lit, it stops: the lamp goes out, STOP lights, and the display stands still.
  from = heard().size();
  ASSERT_TRUE(
      play({0x90, 36, 127}, "(STOP (note 93: Live could not be asked, and the DAW's PLAY lamp is lit))"))
      << program.out();
  ASSERT_TRUE(eventually([&] {
    return holds(heard(from), {0x90, 0x5E, 0x00}) && holds(heard(from), {0x90, 0x5D, 0x7F});
  })) << controller.xruns();
  std::this_thread::sleep_for(std::chrono::milliseconds(400));  // its last rewrite of the stopped time
  const auto stopped = timecode(heard());
  EXPECT_FALSE(eventually([&] { return timecode(heard()) != stopped; }, 0.5)) << stopped;

  // The fader half way (14 bits: 64, then 0) comes back as Ardour's fader position and gain on strip 1.
  from = heard().size();
  ASSERT_TRUE(play({0xB0, 21, 64}, "CC 21 = 64") && play({0xB0, 53, 0}, "CC 53 = 0")) << program.out();
  EXPECT_TRUE(eventually([&] { return holds(heard(from), {0xE0, 0x00, 0x40}); })) << controller.xruns();
  const Bytes gain = {0xF0, 0x00, 0x00, 0x66, 0x14, 0x12, 0x38, ' ', '-', '1', '0', '.', '5', ' ', 0xF7};
  EXPECT_TRUE(eventually([&] { return holds(heard(from), gain); }));

  // The jog, turned forward while stopped, moves the playhead forward.
  ASSERT_TRUE(play({0xB0, 22, 15}, "CC 22 = 15")) << program.out();
  EXPECT_TRUE(eventually([&] { return timecode(heard()) > stopped; }, 3))
      << stopped << " " << timecode(heard()) << ", " << controller.xruns() << " xruns\n"
      << program.out();
}

}  // namespace
