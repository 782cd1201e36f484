// The MK engine with the E16's rings: a pushed knob lit through "Port 3", the volume followed, and a knob's
// colour changed in the scene by the real helper.
#include <filesystem>

#include "engine_fixture.h"

namespace {

using nlohmann::json;

// One page whose knob 3 turns CC 3 (absolute) and pushes note 36, and whose knob 4 turns CC 7 (absolute).
const json SCENE = {{"pages",
                     {{{"encoders",
                        {json::object(),
                         json::object(),
                         {{"turn_actions", {{{"type", 3}, {"nr1", 3}}}},
                          {"push_action", {{"type", 1}, {"nr1", 36}}},
                          {"color", 5}},
                         {{"turn_actions", {{{"type", 3}, {"nr1", 7}}}}, {"color", 9}}}}}}}};

// The ring logic itself is the ring driver's and MKLed's (RingDriverTest, MKLedTest); here it is wired to the
// engine's rows, timer and settings.
TEST_F(EngineTest, RingsLightForPushedKnobsFollowTheVolumeAndTakeColoursThroughTheHelper) {
  const MidiRef e16 = system.addDestination("Port 3");
  home.write("Documents/live.oxie16", SCENE.dump());
  startWith({row(1, "play", 36, {{"from", "note"}, {"led", true}}),
             row(2, "volume", 7, {{"how", "silent"}, {"led", true}})});
  using Sent = FakeMidiSystem::Sent;
  noteOn(36, 100);
  EXPECT_EQ(system.sentTo(e16), (std::vector<Sent>{{0, e16, 0xB0, 3, 127}}));
  EXPECT_EQ(traced()[1], "LED: knob 3 on page 1 lit  (CC 3 = 127 on USB3, ch 1)");

  system.sent.clear();
  audio.level = 0.5;
  loop.advance(0.5);
  EXPECT_EQ(system.sentTo(e16), (std::vector<Sent>{{0, e16, 0xB0, 7, 64}}));  // the volume row's knob only

  const auto helper = std::filesystem::path(home.path()) / ".local/lib/orvane/e16colour.py";
  std::filesystem::create_directories(helper.parent_path());
  std::filesystem::copy_file(std::string(HELPERS_DIR) + "/e16colour.py", helper);
  engine->colour(1, 12);
  EXPECT_EQ(
      lastTrace(),
      "knob 3 on page 1 of live is now colour 12 (it was 5): send the scene to the E16 from the OXI App");
  EXPECT_EQ(json::parse(home.read("Documents/live.oxie16"))["pages"][0]["encoders"][2]["color"], 12);
  engine->colour(2, 100);
  EXPECT_EQ(lastTrace(), "a colour is a number from 0 to 99");

  engine->stop();
  audio.level = 1;
  loop.advance(1);
  EXPECT_EQ(system.sentTo(e16).size(), 1u);  // stopped: no more passes
}

}  // namespace
