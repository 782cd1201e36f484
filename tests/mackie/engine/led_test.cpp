// The MK module's rings: which MK rows light a pushed knob, the way out to "Port 3", the follow timer,
// colours as text and through the helper, and the engine's rows, timer and settings wired to them. The ring
// logic itself is the ring driver's (RingDriverTest).
#include "mackie/engine/led.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "engine_fixture.h"
#include "support/fake_audio_output.h"
#include "support/fake_midi_system.h"
#include "support/temp_folder.h"
#include "support/virtual_loop.h"

namespace {

using Sent = FakeMidiSystem::Sent;
using nlohmann::json;

Sent ring(MidiRef to, int number, int value) {
  return {0, to, 0xB0, number, value};
}

// Knob 2 absolute on CC 2, its colour outside the palette; knob 3 absolute on CC 3 and pushed as note 36.
constexpr const char* SCENE = R"({"pages":[{"encoders":[{"turn_actions":[{"type":1,"nr1":1}]},
  {"turn_actions":[{"type":3,"nr1":2}],"color":120},
  {"turn_actions":[{"type":3,"nr1":3}],"push_action":{"type":1,"nr1":36},"color":5}]}]})";

class MKLedTest : public testing::Test {
 protected:
  MKLedTest() {
    // The MK module enters linked folders: the scene is found only through one.
    scenes.write("live.oxie16", SCENE);
    std::filesystem::create_directory_symlink(scenes.path(), docs.path() + "/linked");
    midi->start();
    led->follow = [] { return std::vector<int>{2, 3}; };
  }

  VirtualLoop loop;
  FakeMidiSystem system{loop};
  std::shared_ptr<MKMidi> midi = std::make_shared<MKMidi>(system, loop);
  FakeAudioOutput audio;
  TempFolder docs, scenes;
  std::shared_ptr<MKLed> led =
      std::make_shared<MKLed>(loop, system, midi, audio, docs.path(), "/nonexistent.py");
};

TEST_F(MKLedTest, OnlyAnOnRowAskingForItsLedOnThatMessageLightsTheRing) {
  const auto port3 = system.addDestination(MKLed::PORT);
  const auto with = [&](auto change) {
    MKRules::MKRow row;
    row.from = "note";
    row.number = 36;
    row.led = true;
    change(row);
    return std::vector<MKRules::MKRow>{row};
  };
  const std::pair<std::vector<MKRules::MKRow>, bool> cases[] = {
      {with([](auto&) {}), true},
      {with([](auto& r) { r.led.reset(); }), false},
      {with([](auto& r) { r.on = false; }), false},
      {with([](auto& r) { r.number = 37; }), false},
      {with([](auto& r) { r.from = "cc"; }), false},
  };
  for (const auto& [rows, lit] : cases) {
    system.sent.clear();
    EXPECT_EQ(led->feel(rows, "note", 36, 127, 9).has_value(), lit);  // on channel 10
    const std::vector<Sent> out = {{0, port3, 0xB9, 3, 127}};
    EXPECT_EQ(system.sentTo(port3), lit ? out : std::vector<Sent>{});
  }
}

TEST_F(MKLedTest, RingsFollowTheVolumeEveryHalfSecondOnPort3AloneOnceItIsThereUntilStopped) {
  const auto port1 = system.addDestination("Port 1");
  led->startFollowing();
  led->startFollowing();  // replaces the running timer rather than adding one
  loop.advance(0.5);
  const auto port3 = system.addDestination(MKLed::PORT);
  loop.advance(0.49);
  EXPECT_TRUE(system.sentTo(port3).empty());
  loop.advance(0.01);  // the next tick finds Port 3; 50 % is 63.5, rounded up
  EXPECT_EQ(system.sentTo(port3), (std::vector<Sent>{ring(port3, 2, 64), ring(port3, 3, 64)}));
  EXPECT_EQ(loop.pending(), 1u);
  EXPECT_TRUE(system.sentTo(port1).empty());
  system.sent.clear();
  audio.level = 1;
  audio.present = false;  // no volume to show
  loop.advance(0.5);
  EXPECT_TRUE(system.sent.empty());

  led->stopFollowing();
  EXPECT_FALSE(led->timer);
  system.sent.clear();
  audio.level = 0.25;
  loop.advance(1);
  EXPECT_TRUE(system.sent.empty());
  EXPECT_EQ(loop.pending(), 0u);
  led->startFollowing();  // a new start sends every ring again; 1 % is the lowest level that lights
  audio.level = 0.01;
  audio.present = true;
  loop.advance(0.5);
  EXPECT_EQ(system.sentTo(port3), (std::vector<Sent>{ring(port3, 2, 1), ring(port3, 3, 1)}));
  audio.level = 0;  // silence is a dark ring
  loop.advance(0.5);
  EXPECT_EQ(system.sentTo(port3).back(), ring(port3, 3, 0));
  EXPECT_FALSE(MKLed(loop, system, nullptr, audio, "", "").send(7, 100, 0));  // without a client
}

TEST_F(MKLedTest, AboutGivesTheKnobColourAsTextAndAFailedHelperLeavesTheSceneAsItWas) {
  const std::tuple<const char*, int, std::string> cases[] = {
      {"note", 36, e16::hex(5)}, {"cc", 2, "#999999"}, {"note", 5, ""}};
  for (const auto& [type, number, colour] : cases)
    EXPECT_EQ(led->about(type, number, true).colour, colour) << type << number;
  const auto refused = led->setColour("cc", 3, 41);
  EXPECT_TRUE(refused.starts_with("the scene was not changed: ")) << refused;
  EXPECT_NE(refused.find("nonexistent.py"), std::string::npos) << refused;
  led->interpreter = "/nonexistent/python3";
  EXPECT_EQ(led->setColour("cc", 3, 41), "the scene was not changed: python3 did not start");
  EXPECT_EQ(led->about("cc", 3, true).colour, e16::hex(5));
}

// One page whose knob 3 turns CC 3 (absolute) and pushes note 36, and whose knob 4 turns CC 7 (absolute).
const json SCENE_WITH_VOLUME = {{"pages",
                                 {{{"encoders",
                                    {json::object(),
                                     json::object(),
                                     {{"turn_actions", {{{"type", 3}, {"nr1", 3}}}},
                                      {"push_action", {{"type", 1}, {"nr1", 36}}},
                                      {"color", 5}},
                                     {{"turn_actions", {{{"type", 3}, {"nr1", 7}}}}, {"color", 9}}}}}}}};

TEST_F(EngineTest, RingsLightForPushedKnobsFollowTheVolumeAndTakeColoursThroughTheHelper) {
  const MidiRef e16 = system.addDestination("Port 3");
  home.write("Documents/live.oxie16", SCENE_WITH_VOLUME.dump());
  startWith({row(1, "play", 36, {{"from", "note"}, {"led", true}}),
             row(2, "volume", 7, {{"how", "silent"}, {"led", true}}), row(3, "play", 3, {{"led", true}})});
  noteOn(36, 100);
  EXPECT_EQ(system.sentTo(e16), (std::vector<Sent>{ring(e16, 3, 127)}));
  EXPECT_EQ(traced()[1], "LED: knob 3 on page 1 lit  (CC 3 = 127 on USB3, ch 1)");

  system.sent.clear();
  audio.level = 0.5;
  loop.advance(0.5);
  EXPECT_EQ(system.sentTo(e16), (std::vector<Sent>{ring(e16, 7, 64)}));  // the volume row's knob, not CC 3's

  engine->colour(1, 12);  // the row's knob, through the module's own helper, which is not installed here
  EXPECT_TRUE(lastTrace().starts_with("the scene was not changed: ")) << lastTrace();
  EXPECT_NE(lastTrace().find(home.path() + "/.local/lib/orvane/e16colour.py"), std::string::npos);

  engine->stop();
  audio.level = 1;
  loop.advance(1);
  EXPECT_EQ(system.sentTo(e16).size(), 1u);  // stopped: no more passes
}

}  // namespace
