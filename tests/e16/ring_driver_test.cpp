// The shared ring logic against a scene in a temporary Documents folder: what pushes and releases light,
// which rings follow the volume and when, the explanations, and colour changes through the real helper.
#include "e16/ring_driver.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <regex>

#include "e16/colour_helper.h"
#include "support/settable_clock.h"
#include "support/temp_folder.h"

namespace {

using e16::RingDriver;

// Page 1: knob 1 relative on CC 1; knob 2 "Pan" absolute on CC 2, its colour outside the palette; knob 3
// "Vol" absolute on CC 3 and pushed as note 36; knob 4 (turn off) and knob 5 (relative) pushed as notes 37
// and 38. Page 2, on channel 3: knob 1 absolute on CC 20, pushed as note 40.
constexpr const char* SCENE = R"({"pages":[{"encoders":[
  {"turn_actions":[{"type":1,"nr1":1}],"color":10},
  {"turn_actions":[{"type":3,"nr1":2}],"color":120,"abbr":"Pan"},
  {"turn_actions":[{"type":3,"nr1":3}],"push_action":{"type":1,"nr1":36},"color":5,"abbr":"Vol"},
  {"turn_actions":[{"type":0,"nr1":4}],"push_action":{"type":1,"nr1":37}},
  {"turn_actions":[{"type":2,"nr1":5}],"push_action":{"type":1,"nr1":38}}]},
 {"channel":3,"encoders":[{"turn_actions":[{"type":3,"nr1":20}],"push_action":{"type":1,"nr1":40}}]}]})";

using Sent = std::array<int, 3>;  // CC, value, channel

class RingDriverTest : public testing::Test {
 protected:
  RingDriverTest() { docs.write("live.oxie16", SCENE); }

  // What was sent since the last call.
  std::vector<Sent> took() { return std::exchange(sent, {}); }

  TempFolder docs;
  SettableClock clock;
  RingDriver rings{clock, docs.path(), e16::FolderLinks::skip};
  std::vector<Sent> sent;
  bool portThere = true;
  RingDriver::Send send = [this](int cc, int value, int channel) {
    sent.push_back({cc, value, channel});
    return portThere;
  };
};

TEST_F(RingDriverTest, PushLightsTheRingAndReleasePutsBackTheTurnedValueOrDarkness) {
  // Whether a row asks for the ring, the message, then what is sent and the trace line.
  // clang-format off
  const std::tuple<bool, const char*, int, int, std::optional<int>, std::vector<Sent>, std::optional<std::string>> steps[] = {
      {true, "note", 36, 0, 0, {{3, 0, 0}}, "LED: knob 3 on page 1 dark  (CC 3 = 0 on USB3, ch 1)"},
      // A turn itself never lights anything.
      {true, "cc", 3, 70, 0, {}, {}},
      {true, "note", 36, 127, 0, {{3, 127, 0}}, "LED: knob 3 on page 1 lit  (CC 3 = 127 on USB3, ch 1)"},
      {true, "note", 36, 0, 0, {{3, 70, 0}}, "LED: knob 3 on page 1 back to its value  (CC 3 = 70 on USB3, ch 1)"},
      {true, "note", 99, 127, 0, {}, {}},
      // A turn is remembered even when no row asks for its ring. Without a channel the knob's own (page 2's
      // channel 3) keys both the turn and the ring.
      {false, "cc", 20, 90, {}, {}, {}},
      {true, "note", 40, 0, {}, {{20, 90, 2}}, "LED: knob 1 on page 2 back to its value  (CC 20 = 90 on USB3, ch 3)"},
      // Notes 1 to 16 that no scene knob sends light the knob of the E16's default layout.
      {true, "note", 5, 100, {}, {{5, 127, 0}}, "LED: knob 5 (by the default layout) lit  (CC 5 = 127 on USB3, ch 1)"},
      {true, "note", 16, 0, 4, {{16, 0, 4}}, "LED: knob 16 (by the default layout) dark  (CC 16 = 0 on USB3, ch 5)"},
  };
  // clang-format on
  for (const auto& [lights, type, number, value, channel, sends, line] : steps) {
    EXPECT_EQ(rings.feel(lights, type, number, value, channel, send), line) << type << " " << number;
    EXPECT_EQ(took(), sends) << type << " " << number;
  }
}

// Relative, unknown and push-only numbers are left alone; a knob in the hand keeps its own value, but a wall
// clock set back must not make a turn look recent until the clock catches up.
TEST_F(RingDriverTest,
       FollowSendsEachAbsoluteTurnRingOncePerLevelExceptWhileTheHandTurnsItEvenAfterAClockSetBack) {
  const std::vector<int> ccs = {1, 2, 3, 36, 99, 20};
  rings.follow(50, ccs, send);
  rings.follow(50, ccs, send);
  EXPECT_EQ(took(), (std::vector<Sent>{{2, 50, 0}, {3, 50, 0}, {20, 50, 2}}));
  portThere = false;
  rings.follow(52, {2}, send);
  portThere = true;
  rings.follow(52, {2}, send);  // a failed send is tried again
  EXPECT_EQ(took(), (std::vector<Sent>{{2, 52, 0}, {2, 52, 0}}));

  rings.feel(false, "cc", 2, 90, 0, send);
  clock.advance(0.9);
  rings.follow(50, {2}, send);
  clock.advance(0.1);
  rings.follow(50, {2}, send);  // not pulled back once the hand stops
  EXPECT_EQ(took(), std::vector<Sent>{});
  clock.advance(-2);  // the turn now seems a second ahead
  rings.follow(51, {2}, send);

  rings.feel(true, "note", 36, 127, 0, send);
  rings.follow(51, {2}, send);
  // A release, not a push, makes the next pass send every ring again.
  rings.feel(true, "note", 36, 0, 0, send);
  rings.follow(51, {2}, send);
  EXPECT_EQ(took(), (std::vector<Sent>{{2, 51, 0}, {3, 127, 0}, {3, 0, 0}, {2, 51, 0}}));
  EXPECT_TRUE(
      rings.feel(true, "note", 36, 0, 0, nullptr)->ends_with("NOT SENT: the E16's USB3 is not there"));
}

TEST_F(RingDriverTest, AboutExplainsEachKindOfRing) {
  const std::string off =
      " — but its TURN is Off in the scene: set it to CC Abs in the OXI App, or the ring stays dark";
  const std::string rel = " — its TURN is relative in the scene, and a relative ring may not light";
  // The knob, then what follows its words, when there is a knob.
  const std::tuple<const char*, int, bool, bool, std::string, std::string> cases[] = {
      // clang-format off
      {"note", 36, false, true, "knob 3 (Vol) on page 1", " lights in its scene colour while NOTE 36 is held"},
      {"note", 37, false, true, "knob 4 on page 1", " lights in its scene colour while NOTE 37 is held" + off},
      {"note", 38, true, true, "knob 5 on page 1", " lights in its scene colour while NOTE 38 is held" + rel},
      {"cc", 1, true, false, "knob 1 on page 1", " is relative: its ring has no value to show"},
      {"cc", 2, true, true, "knob 2 (Pan) on page 1", ": the ring follows the Mac's volume, also from the keyboard"},
      {"note", 5, false, true, "", "no saved scene sends NOTE 5, so it lights knob 5 through CC 5, the E16's default layout, while it is held"},
      {"note", 17, false, false, "", "no knob in the E16's scene sends NOTE 17: nothing to light"},
      // clang-format on
  };
  for (const auto& [type, number, isVolume, can, knob, says] : cases) {
    const auto got = rings.about(type, number, isVolume);
    EXPECT_EQ(std::tie(got.can, got.knob, got.says), std::tuple(can, knob, knob + says)) << type << number;
  }
}

TEST_F(RingDriverTest, SetColourWordsEachOutcomeOfTheHelperWhenItComesAndRefusesAColourPickedMeanwhile) {
  const auto notStarted = [](const std::string& error) { return "could not start: " + error; };
  // The message, the colour, what the helper answers (absent: it must not run) and what the user reads.
  const std::tuple<const char*, int, int, std::optional<ProcessResult>, std::string> cases[] = {
      // clang-format off
      {"note", 36, 100, {}, "a colour is a number from 0 to 99"},
      {"cc", 99, 3, {}, "no knob in the E16's scene answers this row: nothing to colour"},
      {"note", 36, 0, ProcessResult{false, "No such file", "", -1, false}, "could not start: No such file"},
      {"note", 36, 99, ProcessResult{true, "", "", 137, true}, std::string(HELPER_TIMED_OUT)},
      {"note", 36, 7, ProcessResult{true, "", "page 1 is gone", 1, false}, "the scene was not changed: page 1 is gone"},
      {"note", 36, 12, ProcessResult{true, "", "5", 0, false},
       "knob 3 on page 1 of live is now colour 12 (it was 5): send the scene to the E16 from the OXI App"},
      // clang-format on
  };
  const auto scene = docs.path() + "/live.oxie16";
  for (const auto& [type, number, colour, result, says] : cases) {
    int runs = 0;
    std::function<void(ProcessResult)> finish;  // the helper's answer, handed over when the test says
    const auto run = [&](const std::string& path, int page, int knob, int to, auto done) {
      ++runs;
      EXPECT_EQ(std::tuple(path, page, knob, to), std::tuple(scene, 1, 3, colour));
      const auto stamp = std::filesystem::last_write_time(scene);  // changed within the same time stamp
      docs.write("live.oxie16", std::regex_replace(SCENE, std::regex("\"color\":5"), "\"color\":7"));
      std::filesystem::last_write_time(scene, stamp);
      finish = std::move(done);
      return std::shared_ptr<ChildProcess>();
    };
    std::vector<std::string> said;
    const auto say = [&](const std::string& line) { said.push_back(line); };
    rings.setColour(type, number, colour, run, notStarted, say);
    if (result) {
      // Nothing is said while the helper runs, and a colour picked meanwhile is refused, not queued or lost.
      EXPECT_TRUE(said.empty()) << colour;
      rings.setColour("note", 36, 1, run, notStarted, say);
      finish(*result);
    }
    const std::vector<std::string> expected =
        result ? std::vector<std::string>{std::string(HELPER_BUSY), says} : std::vector<std::string>{says};
    EXPECT_EQ(said, expected);
    EXPECT_EQ(runs, result ? 1 : 0) << colour;
  }
  EXPECT_EQ(rings.reader.knobFor("note", 36, {})->index, 7);  // read again after the helper ran
  EXPECT_EQ(rings.coloursDone(), 4u);                         // the screens read the knobs again
  // A volume reading that is no number, or out of range, still gives a ring level.
  for (const auto& [reading, level] : {std::pair{std::nan(""), 0}, {-1.0, 0}, {2.0, 127}})
    EXPECT_EQ(e16::ringLevel(reading), level) << reading;
}

}  // namespace
