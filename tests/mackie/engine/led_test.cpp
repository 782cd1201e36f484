// The MK module's rings: which MK rows light a pushed knob, the way out to "Port 3", the follow timer on the
// virtual loop, colours as text, and colour changes through the helper the module is given.
#include "mackie/engine/led.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/fake_audio_output.h"
#include "support/fake_midi_system.h"
#include "support/temp_folder.h"
#include "support/virtual_loop.h"

namespace {

using Sent = FakeMidiSystem::Sent;

// Knob 2 absolute on CC 2, its colour outside the palette; knob 3 absolute on CC 3 and pushed as note 36.
constexpr const char* SCENE = R"({"pages":[{"encoders":[{"turn_actions":[{"type":1,"nr1":1}]},
  {"turn_actions":[{"type":3,"nr1":2}],"color":120},
  {"turn_actions":[{"type":3,"nr1":3}],"push_action":{"type":1,"nr1":36},"color":5}]}]})";

const std::string E16COLOUR =
    (std::filesystem::path(__FILE__).parent_path() / "../../../helpers/e16colour.py").lexically_normal();

// An MK row that asks for the ring of the knob pushed as note 36.
MKRules::MKRow asksFor36() {
  MKRules::MKRow row;
  row.from = "note";
  row.number = 36;
  row.led = true;
  return row;
}

class MKLedTest : public testing::Test {
 protected:
  MKLedTest() {
    // The MK module enters linked folders: the scene is found only through one.
    scenes.write("live.oxie16", SCENE);
    std::filesystem::create_directory_symlink(scenes.path(), docs.path() + "/linked");
    midi->start();
    led->follow = [] { return std::vector<int>{2, 3}; };
  }

  std::vector<Sent> toPort3() const { return port3 ? system.sentTo(port3) : std::vector<Sent>{}; }
  static Sent cc(MidiRef to, int number, int value) { return {0, to, 0xB0, number, value}; }

  VirtualLoop loop;
  FakeMidiSystem system{loop};
  std::shared_ptr<MKMidi> midi = std::make_shared<MKMidi>(system, loop);
  FakeAudioOutput audio;
  TempFolder docs, scenes;
  std::shared_ptr<MKLed> led = std::make_shared<MKLed>(loop, system, midi, audio, docs.path(), E16COLOUR);
  MidiRef port3 = 0;
};

TEST_F(MKLedTest, OnlyAnOnRowAskingForItsLedOnThatMessageLightsTheRing) {
  port3 = system.addDestination(MKLed::PORT);
  const auto with = [&](auto change) {
    auto row = asksFor36();
    change(row);
    return std::vector<MKRules::MKRow>{row};
  };
  const struct {
    const char* why;
    std::vector<MKRules::MKRow> rows;
    bool lit;
  } cases[] = {
      {"asks", with([](auto&) {}), true},
      {"led absent", with([](auto& r) { r.led.reset(); }), false},
      {"led false", with([](auto& r) { r.led = false; }), false},
      {"off", with([](auto& r) { r.on = false; }), false},
      {"other number", with([](auto& r) { r.number = 37; }), false},
      {"a CC row", with([](auto& r) { r.from = "cc"; }), false},
  };
  for (const auto& c : cases) {
    const auto line = led->feel(c.rows, "note", 36, 127, 0);
    EXPECT_EQ(line, c.lit
                        ? std::optional<std::string>("LED: knob 3 on page 1 lit  (CC 3 = 127 on USB3, ch 1)")
                        : std::nullopt)
        << c.why;
    EXPECT_EQ(toPort3(), c.lit ? std::vector<Sent>{cc(port3, 3, 127)} : std::vector<Sent>{}) << c.why;
    system.sent.clear();
  }
}

TEST_F(MKLedTest, FollowTimerTicksEveryHalfSecondUntilStoppedAndNeverOutlivesTheLed) {
  port3 = system.addDestination(MKLed::PORT);
  led->startFollowing();
  led->startFollowing();  // replaces the running timer rather than adding one
  loop.advance(0.49);
  EXPECT_TRUE(toPort3().empty());
  loop.advance(0.01);  // 50 % is 63.5, rounded up
  EXPECT_EQ(toPort3(), (std::vector<Sent>{cc(port3, 2, 64), cc(port3, 3, 64)}));
  EXPECT_EQ(loop.pending(), 1u);
  system.sent.clear();
  audio.level = 0.25;  // as a volume key would set it
  loop.advance(0.5);
  loop.advance(0.5);
  audio.present = false;
  loop.advance(0.5);
  EXPECT_EQ(toPort3(), (std::vector<Sent>{cc(port3, 2, 32), cc(port3, 3, 32)}));
  system.sent.clear();

  audio.present = true;
  led->stopFollowing();
  EXPECT_EQ(led->timer, nullptr);
  audio.level = 1;
  loop.advance(1);
  EXPECT_TRUE(toPort3().empty());
  EXPECT_EQ(loop.pending(), 0u);
  // A new start sends every ring again, even at the level it last showed.
  audio.level = 0.25;
  led->startFollowing();
  loop.advance(0.5);
  EXPECT_EQ(toPort3().size(), 2u);
  led.reset();
  audio.level = 1;
  loop.advance(1);
  EXPECT_EQ(toPort3().size(), 2u);
}

TEST_F(MKLedTest, WithoutPort3NothingLeavesAndOncePort3IsFoundByNameItGetsEveryRing) {
  const MidiRef port1 = system.addDestination("Port 1");
  EXPECT_FALSE(led->send(7, 100, 2));
  const std::vector<MKRules::MKRow> rows = {asksFor36()};
  EXPECT_EQ(led->feel(rows, "note", 36, 127, std::nullopt),
            "LED: knob 3 on page 1 lit  (CC 3 = 127 on USB3, ch 1)  — NOT SENT: the E16's USB3 is not there");
  led->startFollowing();
  loop.advance(0.5);
  port3 = system.addDestination(MKLed::PORT);
  loop.advance(0.5);  // the next tick tries again
  EXPECT_EQ(toPort3(), (std::vector<Sent>{cc(port3, 2, 64), cc(port3, 3, 64)}));
  system.sent.clear();
  EXPECT_TRUE(led->send(7, 100, 0x1A));  // a control change on the channel
  EXPECT_EQ(toPort3(), (std::vector<Sent>{{0, port3, 0xBA, 7, 100}}));
  EXPECT_TRUE(system.sentTo(port1).empty());
}

TEST_F(MKLedTest, AboutGivesTheKnobColourAsTextAndSetColourRunsTheModulesHelper) {
  const struct {
    const char* type;
    int number;
    std::string colour;
  } cases[] = {{"note", 36, e16::hex(5)}, {"cc", 2, "#999999"}, {"note", 5, ""}, {"cc", 99, ""}};
  for (const auto& c : cases)
    EXPECT_EQ(led->about(c.type, c.number, true).colour, c.colour) << c.type << c.number;

  EXPECT_EQ(
      led->setColour("cc", 3, 40),
      "knob 3 on page 1 of live is now colour 40 (it was 5): send the scene to the E16 from the OXI App");
  EXPECT_EQ(led->about("cc", 3, true).index, 40);
  MKLed missing(loop, system, midi, audio, docs.path(), docs.path() + "/none.py");
  const auto refused = missing.setColour("cc", 3, 41);
  EXPECT_TRUE(refused.starts_with("the scene was not changed: ")) << refused;
  EXPECT_NE(refused.find("none.py"), std::string::npos) << refused;
  missing.interpreter = "/nonexistent/python3";
  EXPECT_EQ(missing.setColour("cc", 3, 41), "the scene was not changed: python3 did not start");
}

}  // namespace
