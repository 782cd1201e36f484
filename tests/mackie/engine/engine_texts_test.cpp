// TRY on each kind of row, and the status texts the screens and the menu show.
#include "engine_fixture.h"

TEST_F(EngineTest, TryPlaysEachKindOfRowAndSaysWhat) {
  startWith({row(1, "record", 1), row(2, "shift", 2), row(3, "vpot4", 3, {{"invert", true}}),
             row(4, "fader9", 4), row(5, "bankfirst", 5), row(6, "volumemute", 6), row(7, "volume", 7)});
  // clang-format off
  const std::tuple<std::int64_t, std::vector<Out>, const char*> cases[] = {
      {1, {{0, 0x90, 95, 127}, {30, 0x90, 95, 0}}, "TRY row 1   →   RECORD  (note 95)"},
      {2, {{0, 0x90, 70, 127}, {250, 0x90, 70, 0}}, "TRY row 2   →   SHIFT held for a quarter second  (note 70)"},
      {3, {{0, 0xB0, 19, 65}}, "TRY row 3   →   V-POT 4  (relative), one click right (inverted: Live goes back)  (CC 19 = 65)"},
      {4, {{0, 0xE8, 64, 64}}, "TRY row 4   →   FADER 9  (the master)  (absolute) to the middle"},
      {5, {{0, 0x90, 70, 127}, {20, 0x90, 46, 127}, {40, 0x90, 46, 0}, {60, 0x90, 70, 0}},
       "TRY row 5   →   BANK: THE FIRST TRACKS  (note 46 with SHIFT held)"},
      {6, {}, "TRY row 6   →   MUTE THE MAC  (the Mac, not Live)"}};
  // clang-format on
  for (const auto& [id, out, says] : cases) {
    const double t0 = loop.now();
    engine->tryRow(*engine->row(id));
    loop.advance(1);
    EXPECT_EQ(toLiveSince(t0), out) << id;
    EXPECT_EQ(lastTrace(), says);
  }
  EXPECT_EQ(keys.sounds, (std::vector<RecordingKeyOutput::Sound>{{SoundKey::mute, false}}));
  keys.sounds.clear();
  engine->tryRow(*engine->row(7));  // the Mac's volume blob: a step down and back up
  EXPECT_EQ(keys.sounds, (std::vector<RecordingKeyOutput::Sound>{{SoundKey::down, true}}));
  loop.advance(0.12);
  EXPECT_EQ(keys.sounds.back(), (RecordingKeyOutput::Sound{SoundKey::up, true}));
  EXPECT_EQ(lastTrace(), "TRY row 7   →   the Mac's volume blob, where it stands");
}

TEST_F(EngineTest, TheStartLineCountsSourcesAndNamesTheBusAndStatusAndWhyNameTheFirstThingMissing) {
  const auto second = system.addSource("Port 2");
  system.remove(toLive);
  startWith({}, {{"device", ""}});
  EXPECT_EQ(traced().front(), "MIDI to MK Control is up, listening on 2 sources, sending to nothing yet");
  // The status word, and why nothing is sent with whether that is an error.
  const auto state = [&] { return std::tuple(engine->status(), engine->why().first, engine->why().second); };
  EXPECT_EQ(state(), std::tuple("NOTHING TO LIVE",
                                "nothing is open to Live: pick a bus under TO LIVE, and turn the "
                                "IAC Driver on in Audio MIDI Setup",
                                true));
  EXPECT_EQ(engine->sentLine(), "nothing is open to Live");
  system.addDestination("IAC Driver Bus 1");
  engine->setOut("");
  EXPECT_EQ(lastTrace(), "Mackie goes to IAC Driver Bus 1");
  EXPECT_EQ(state(),
            std::tuple("NO DEVICE", "no device is locked: press DETECT DEVICE and turn a knob", false));
  engine->toggleDetect();
  cc(1, 0);
  EXPECT_EQ(engine->why().first, "the table is empty: press + A ROW");
  engine->add();
  EXPECT_EQ(state(), std::tuple("LISTENING · USB1", "listening on USB1, USB2  →  IAC Driver Bus 1", false));
  engine->togglePower();
  EXPECT_EQ(state(), std::tuple("PAUSED", "the switch is OFF: nothing is sent", false));
  engine->wireNow(0x90, 1, 1);
  EXPECT_EQ(engine->sentLine(), "1 message sent to IAC Driver Bus 1");
  engine->wireNow(0x90, 1, 0);
  EXPECT_EQ(engine->sentLine(), "2 messages sent to IAC Driver Bus 1");
  system.remove(controller);
  system.remove(second);
  loop.advance(0.6);
  EXPECT_EQ(engine->why(),
            std::pair(std::string("no MIDI source is open — is the controller plugged in?"), true));
}
