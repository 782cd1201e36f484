// The MK module's rings: the way out to "Port 3", the follow timer, colours as text and through the helper,
// and the engine's rows, timer and settings wired to them. The ring logic itself is the ring driver's
// (RingDriverTest).
#include "mackie/engine/led.h"

#include <filesystem>

#include "engine_fixture.h"

using Sent = FakeMidiSystem::Sent;

static Sent ring(MidiRef to, int number, int value) {
  return {0, to, 0xB0, number, value};
}

// Knob 2 absolute on CC 2, its colour outside the palette; knob 3 absolute on CC 3 and pushed as note 36.
static constexpr const char* SCENE = R"({"pages":[{"encoders":[{"turn_actions":[{"type":1,"nr1":1}]},
  {"turn_actions":[{"type":3,"nr1":2}],"color":120},
  {"turn_actions":[{"type":3,"nr1":3}],"push_action":{"type":1,"nr1":36},"color":5}]}]})";

struct MKLedTest : testing::Test {
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

TEST_F(MKLedTest, RingsFollowTheVolumeEveryHalfSecondOnPort3OnceItIsThereUntilStopped) {
  led->startFollowing();
  led->startFollowing();  // replaces the running timer rather than adding one
  loop.advance(0.5);
  const auto port3 = system.addDestination(MKLed::PORT);
  loop.advance(0.49);
  EXPECT_TRUE(system.sent.empty());
  loop.advance(0.01);  // the next tick finds Port 3; 50 % is 63.5, rounded up
  EXPECT_EQ(system.sentTo(port3), (std::vector<Sent>{ring(port3, 2, 64), ring(port3, 3, 64)}));
  EXPECT_EQ(loop.pending(), 1u);
  system.sent.clear();
  audio.present = false;  // no volume to show
  loop.advance(0.5);
  EXPECT_TRUE(system.sent.empty());
  led->stopFollowing();
  loop.advance(1);
  EXPECT_EQ(loop.pending(), 0u);
  led->startFollowing();  // a new start sends every ring again; 1 % is the lowest level that lights
  audio.level = 0.01;
  audio.present = true;
  loop.advance(0.5);
  EXPECT_EQ(system.sentTo(port3), (std::vector<Sent>{ring(port3, 2, 1), ring(port3, 3, 1)}));
}

TEST_F(MKLedTest, AboutGivesTheKnobColourAsTextAndAFailedHelperLeavesTheSceneAsItWas) {
  EXPECT_EQ((std::vector{led->about("note", 36, true).colour, led->about("cc", 2, true).colour,
                         led->about("note", 5, true).colour}),
            (std::vector<std::string>{e16::hex(5), "#999999", ""}));
  led->interpreter = "/nonexistent/python3";
  EXPECT_EQ(led->setColour("cc", 3, 41), "the scene was not changed: python3 did not start");
  EXPECT_EQ(led->about("cc", 3, true).colour, e16::hex(5));
}

TEST_F(EngineTest, RingsLightForPushedKnobsFollowTheVolumeAndTakeColoursThroughTheModulesHelper) {
  const MidiRef e16 = system.addDestination("Port 3");
  home.write("Documents/live.oxie16", SCENE);
  startWith({row(1, "play", 36, {{"from", "note"}, {"led", true}}),
             row(2, "volume", 2, {{"how", "silent"}, {"led", true}}), row(3, "play", 3, {{"led", true}})});
  noteOn(36, 100);
  EXPECT_EQ(system.sentTo(e16), (std::vector<Sent>{ring(e16, 3, 127)}));
  EXPECT_EQ(traced()[1], "LED: knob 3 on page 1 lit  (CC 3 = 127 on USB3, ch 1)");
  system.sent.clear();
  audio.level = 0.5;
  loop.advance(0.5);
  EXPECT_EQ(system.sentTo(e16), (std::vector<Sent>{ring(e16, 2, 64)}));  // the volume row's knob, not CC 3's
  engine->colour(1, 12);                                                 // not installed here
  EXPECT_TRUE(lastTrace().starts_with("the scene was not changed: ")) << lastTrace();
  EXPECT_NE(lastTrace().find(home.path() + "/.local/lib/orvane/e16colour.py"), std::string::npos);
  engine->stop();
  loop.advance(1);
  EXPECT_EQ(system.sentTo(e16).size(), 1u);  // stopped: no more passes
}
