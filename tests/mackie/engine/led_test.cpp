// The MK module's rings: the engine's rows lighting pushed knobs and following the volume on "Port 3", and
// colours as text and through the helper. The ring logic itself is the ring driver's (RingDriverTest).
#include "mackie/engine/led.h"

#include <filesystem>

#include "engine_fixture.h"

// Knob 2 absolute on CC 2, its colour outside the palette; knob 3 absolute on CC 3 and pushed as note 36.
static constexpr const char* SCENE = R"({"pages":[{"encoders":[{"turn_actions":[{"type":1,"nr1":1}]},
  {"turn_actions":[{"type":3,"nr1":2}],"color":120},
  {"turn_actions":[{"type":3,"nr1":3}],"push_action":{"type":1,"nr1":36},"color":5}]}]})";

TEST_F(EngineTest, RingsLightForPushedKnobsFollowTheVolumeAndTakeColoursThroughTheModulesHelper) {
  using Sent = FakeMidiSystem::Sent;
  const MidiRef e16 = system.addDestination("Port 3");
  TempFolder scenes;  // the MK module enters linked folders: the scene is found only through one
  scenes.write("live.oxie16", SCENE);
  std::filesystem::create_directories(home.path() + "/Documents");
  std::filesystem::create_directory_symlink(scenes.path(), home.path() + "/Documents/linked");
  startWith({row(1, "play", 36, {{"from", "note"}, {"led", true}}),
             row(2, "volume", 2, {{"how", "silent"}, {"led", true}}), row(3, "play", 3, {{"led", true}}),
             row(4, "play", 5, {{"from", "note"}}),
             row(5, "play", 7, {{"from", "note"}, {"led", true}, {"on", false}})});
  noteOn(36, 100);
  noteOn(5, 100);  // a row that does not ask for its ring lights none, not even by the default layout
  noteOn(7, 100);  // nor does one that is off
  EXPECT_EQ(system.sentTo(e16), (std::vector<Sent>{{0, e16, 0xB0, 3, 127}}));
  EXPECT_EQ(traced()[1], "LED: knob 3 on page 1 lit  (CC 3 = 127 on USB3, ch 1)");
  system.sent.clear();
  audio.level = 0.5;
  loop.advance(0.5);  // 63.5, rounded up, on the volume row's knob and not CC 3's
  audio.level = 0;    // silent: the ring goes dark, not to its lowest light
  loop.advance(0.5);
  EXPECT_EQ(system.sentTo(e16), (std::vector<Sent>{{0, e16, 0xB0, 2, 64}, {0, e16, 0xB0, 2, 0}}));
  engine->colour(1, 12);  // not installed here
  awaitNote();
  EXPECT_TRUE(lastTrace().starts_with("the scene was not changed: ")) << lastTrace();
  EXPECT_NE(lastTrace().find(home.path() + "/helper.py"), std::string::npos);
  auto& led = engine->rings();
  EXPECT_EQ((std::vector{led.about("note", 36, true).colour, led.about("cc", 2, true).colour,
                         led.about("note", 5, true).colour}),
            (std::vector<std::string>{e16::hex(5), "#999999", ""}));
  led.interpreter = "/nonexistent/python3";
  std::string said;
  led.setColour("cc", 3, 41, [&](const std::string& line) { said = line; });
  loop.runDue();
  EXPECT_EQ(said, "the scene was not changed: python3 did not start");
  system.remove(e16);  // unplugged: a push says that its ring was not sent
  noteOn(36, 100);
  const auto ledLine = traced().end()[-2];  // before the row's own line
  EXPECT_NE(ledLine.find("NOT SENT"), std::string::npos) << ledLine;
  engine->stop();
  loop.advance(1);
  EXPECT_EQ(system.sentTo(e16).size(), 2u);  // stopped: no more passes
}

// The helper runs beside the loop, which carries MIDI: while one that takes 5 s runs, the controller's
// messages reach Live as quickly as ever and a colour picked meanwhile is refused; at 10 s the helper is
// stopped.
TEST_F(EngineTest, MessagesReachLiveWhileAColourHelperRunsAndItIsStoppedAfterTenSeconds) {
  home.write("Documents/live.oxie16", SCENE);
  home.write("helper.py", "sleep 5\n");  // the module's helper, run by the shell in python's place
  startWith({row(1, "stop", 3)});
  engine->rings().interpreter = "/bin/sh";
  const double t0 = loop.now();
  engine->colour(1, 12);
  engine->colour(1, 13);
  EXPECT_EQ(lastTrace(), HELPER_BUSY);
  cc(3, 127);
  loop.advance(0.1);
  EXPECT_EQ(toLiveSince(t0), (std::vector<Out>{{0, 0x90, 93, 127}, {30, 0x90, 93, 0}}));
  loop.advance(HELPER_TIMEOUT);  // the exact limit is the helper's own (ColourHelper)
  EXPECT_EQ(lastTrace(), HELPER_TIMED_OUT);
}
