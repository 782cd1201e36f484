// The MK engine's timing on the virtual loop: the paced path, jog, V-Pot and tempo turns, PLAY / STOP,
// letting go, the rescan and the volume pacing, exact to the millisecond.
#include "engine_fixture.h"

// Turns are gathered per knob and leave on the 25 ms spin tick, while a knob's trace keeps one line.
TEST_F(EngineTest, JogAndVpotTurnsLeaveOnTheSpinTick) {
  // clang-format off
  struct Turn { int number, value; double then; /* seconds to the next one */ };
  const struct { const char* name; bool control; std::vector<Turn> turns; std::vector<Out> out; const char* says;
                 std::size_t lines; /* with the start line */ } cases[] = {
      {"one click each way, 0 ms apart", false, {{21, 1, 0}, {21, 127, 0}}, {{0, 0xB0, 60, 2}, {25, 0xB0, 60, 66}},
       "CC 21 = 127   →   JOG WHEEL — the playback position  -1 click  (CC 60 = 66)", 3},
      {"ten within 25 ms: one, then nine", false, std::vector<Turn>(10, {21, 1, 0.002}),
       {{0, 0xB0, 60, 2}, {25, 0xB0, 60, 18}}, "CC 21 = 1   →   JOG WHEEL — the playback position  +9 clicks  (CC 60 = 18)", 2},
      {"forty clicks: 31, then nine", false, {{21, 40, 0}}, {{0, 0xB0, 60, 62}, {25, 0xB0, 60, 18}},
       "CC 21 = 40   →   JOG WHEEL — the playback position  +9 clicks  (CC 60 = 18)", 2},
      // Sign-magnitude six to the left: four steps, then two, each its own message 20 ms apart on the paced path.
      {"a V-Pot", false, {{30, 64 + 6, 0}}, {{0, 0xB0, 17, 65}, {20, 0xB0, 17, 65}, {40, 0xB0, 17, 65},
       {60, 0xB0, 17, 65}, {80, 0xB0, 17, 65}, {100, 0xB0, 17, 65}}, "CC 30 = 70   →   V-POT 2  (relative)  -2 steps  (CC 17)", 2},
      {"the tempo: 63 left, then one", true, {{21, 64, 0}}, {{0, 0xB0, 60, 127}, {25, 0xB0, 60, 65}},
       "CC 21 = 64   →   JOG WHEEL — the playback position  -1 click  (CONTROL is down: the TEMPO)  (CC 60 = 65)", 3}};
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    startWith(
        {jogRow(), row(2, "control", 40, {{"from", "note"}}), row(3, "vpot2", 30, {{"how", "signmag"}})});
    if (c.control) {
      noteOn(40, 127);  // CONTROL down towards Live
      loop.advance(0.1);
    }
    const double t0 = loop.now();
    for (const auto& t : c.turns) {
      cc(t.number, t.value);
      loop.advance(t.then);
    }
    loop.advance(0.2);
    EXPECT_EQ(toLiveSince(t0), c.out);
    EXPECT_EQ(std::tuple(lastTrace(), traced().size()), std::tuple(std::string(c.says), c.lines));
    EXPECT_FALSE(engine->sending());  // a tick that found nothing to send stopped it
    engine->stop();
  }
  // Clicks still waiting when the module pauses never leave, not even once it runs again.
  startWith({jogRow()});
  cc(21, 40);  // 31 at once, nine waiting
  engine->togglePower();
  engine->togglePower();
  loop.advance(0.1);
  const double t0 = loop.now();
  cc(21, 1);
  loop.advance(0.2);
  EXPECT_EQ(toLiveSince(t0), (std::vector<Out>{{0, 0xB0, 60, 2}}));
}

TEST_F(EngineTest, ABurstOf250LeavesOneAtOnceThen200PacedAndDrops49) {
  startWith({});
  const double t0 = loop.now();
  for (int i = 0; i < 250; ++i)
    engine->wire(0xB0, 7, i % 128);
  loop.advance(5);
  const auto out = toLiveSince(t0);
  ASSERT_EQ(out.size(), 201u);
  // A tick that found nothing stopped the pump.
  EXPECT_EQ(std::tuple(out[1].ms, out.back(), !engine->sending()),
            std::tuple(20, Out{4000, 0xB0, 7, 200 % 128}, true));
}

// On a busy machine timers fire late, and not all by as much: each wait starts when the last message left, so
// none follows the one before closer than 20 ms.
TEST_F(EngineTest, MessagesLeaveAtLeast20msApartWhenTheTimersFireLate) {
  startWith({});
  loop.fireLate({0.015, 0, 0.007, 0});
  const double t0 = loop.now();
  for (int i = 0; i < 12; ++i)
    engine->wire(0xB0, 7, i);
  loop.advance(1);
  const auto out = toLiveSince(t0);
  ASSERT_EQ(out.size(), 12u);
  for (std::size_t i = 1; i < out.size(); ++i)
    EXPECT_GE(out[i].ms - out[i - 1].ms, 20) << i;
}

// Without Live's state it presses Live's own SHIFT + PLAY. With it, it presses PLAY or STOP after a guard,
// unless Live's log says meanwhile that it changed; a stop then plants the insert point with a nudge each way
// 0.15 s and 0.23 s after the decision.
TEST_F(EngineTest, PlayStopPressesWhatLivesStateCallsForUnlessItChangedMeanwhile) {
  startWith({row(1, "playstop", 36, {{"from", "note"}, {"value", 127}})});
  std::string logged;
  const auto liveSays = [&](bool playing) {  // as Live's scripting endpoint writes it
    home.write("Library/Preferences/Ableton/Live 12.1/Log.txt",
               logged +=
               std::string("Getting property for song: is_playing = ") + (playing ? "True" : "False") + "\n");
  };
  // clang-format off
  const struct { std::optional<bool> playing, meanwhile; std::vector<Out> out; const char* says; } cases[] = {
      {{}, {}, {{0, 0x90, 70, 127}, {20, 0x90, 94, 127}, {40, 0x90, 94, 0}, {60, 0x90, 70, 0}},
       "  (SHIFT + PLAY (Live could not be asked: its own playhead, not the insert point))"},
      {false, {}, {{150, 0x90, 94, 127}, {180, 0x90, 94, 0}}, "  (PLAY (note 94, only if Live is still stopped) from the insert point)"},
      {false, true, {}, nullptr},
      {true, {}, {{150, 0x90, 93, 127}, {180, 0x90, 93, 0}, {300, 0xB0, 60, 2}, {380, 0xB0, 60, 66}},
       "  (STOP (note 93, only if Live is still playing) and the insert point planted on the playhead (CC 60))"},
      {true, false, {{300, 0xB0, 60, 2}, {380, 0xB0, 60, 66}}, nullptr}};
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.playing) +
                 ", changed meanwhile: " + testing::PrintToString(c.meanwhile));
    if (c.playing) liveSays(*c.playing);
    const double t0 = loop.now();
    noteOn(36, 127);
    if (c.meanwhile) liveSays(*c.meanwhile);
    loop.advance(1);
    EXPECT_EQ(toLiveSince(t0), c.out);
    EXPECT_EQ(engine->live().playing, c.playing ? std::optional(!*c.playing) : std::nullopt);
    const std::string says = "NOTE 36 = 127   →   PLAY / STOP  — one button, from the insert point";
    EXPECT_TRUE(!c.says || lastTrace() == says + c.says) << lastTrace();
  }
  // Without an answer from Live, another DAW's own PLAY lamp, heard on the lights port, decides.
  const auto lights = system.addSource("mackie control out");
  loop.advance(16);
  engine->setBack("mackie control out");
  for (const bool lit : {true, false}) {
    from(lights, 0x90, 94, lit ? 127 : 0);
    const double t0 = loop.now();
    noteOn(36, 127);
    loop.advance(1);
    const int pressed = lit ? 93 : 94;
    EXPECT_EQ(toLiveSince(t0), (std::vector<Out>{{0, 0x90, pressed, 127}, {30, 0x90, pressed, 0}})) << lit;
  }
  EXPECT_EQ(lastTrace(),
            "NOTE 36 = 127   →   PLAY / STOP  — one button, from the insert point  (PLAY (note 94: "
            "Live could not be asked, and the DAW's PLAY lamp is dark))");
}

// Pausing releases at once, and what still waited (a combo's later notes) never follows; stopping lets go
// the same way and also closes the client and Live's timer, but keeps the table.
TEST_F(EngineTest, AButtonIsReleased30msAfterItsPressAndPausingOrStoppingLeavesNothingHeld) {
  startWith({row(1, "shift", 64), row(2, "alt", 65), row(3, "record", 36, {{"from", "note"}}),
             row(4, "bankfirst", 66)});
  double t0 = loop.now();
  noteOn(36, 100);
  loop.advance(0.1);
  EXPECT_EQ(toLiveSince(t0), (std::vector<Out>{{0, 0x90, 95, 127}, {30, 0x90, 95, 0}}));
  cc(64, 127);
  cc(65, 127);
  loop.advance(0.1);
  t0 = loop.now();
  cc(66, 127);  // SHIFT + BANK LEFT: SHIFT leaves at once, BANK LEFT waits in the queue
  engine->togglePower();
  EXPECT_EQ(toLiveSince(t0), (std::vector<Out>{{0, 0x90, 70, 127}, {0, 0x90, 70, 0}, {0, 0x90, 73, 0}}));
  cc(64, 0);  // paused: nothing fires
  loop.advance(0.1);
  EXPECT_EQ(toLiveSince(t0).size(), 3u);
  EXPECT_EQ(engine->lit(1), "heard");
  engine->togglePower();
  t0 = loop.now();
  cc(66, 127);
  engine->stop();
  EXPECT_EQ(std::tuple(engine->status(), view().rows.size(), system.clients()), std::tuple("OFF", 4u, 0));
  EXPECT_FALSE(engine->live().timer);
  engine->start();  // what waited when it stopped never follows, not even once it runs again
  loop.advance(0.1);
  cc(65, 127);  // ALT was down when it stopped: this is a new press
  EXPECT_EQ(toLiveSince(t0), (std::vector<Out>{{0, 0x90, 70, 127}, {0, 0x90, 70, 0}, {100, 0x90, 73, 127}}));
}

// Sources that came are opened 500 ms after the change (that those which stayed are left alone is the MIDI
// client's own); a wanted bus is taken, and its way made, as soon as it is there; a rescan still due when the
// engine stops never runs.
TEST_F(EngineTest, NewSourcesAreOpened500msAfterAChangeAndAWantedBusIsTakenAtOnce) {
  startWith({}, {{"out", "IAC Driver Bus 2"}});
  EXPECT_EQ(view().outName, "");
  const auto second = system.addSource("Port 2");
  const auto bus = system.addDestination("IAC Driver Bus 2");
  loop.runDue();
  EXPECT_EQ(std::pair(view().outName, system.prepared),
            std::pair(std::string("IAC Driver Bus 2"), std::set<MidiRef>{bus}));
  loop.advance(0.499);
  EXPECT_FALSE(system.connected(second));
  loop.advance(0.002);
  EXPECT_TRUE(system.connected(second));
  system.addSource("Port 4");
  loop.advance(0.2);
  engine->stop();
  loop.advance(1);
  EXPECT_EQ(std::tuple(view().outName, engine->openSources().size()), std::tuple("", 0u));
}

TEST_F(EngineTest, TheSilentVolumeGoesAtOnceThenTheLatestOfEach60msAndTheVisibleOnePressesKeys) {
  startWith({row(1, "volume", 7, {{"how", "silent"}}), row(2, "volume", 8, {{"how", "blob"}})});
  cc(7, 127);  // 100 %, at once
  EXPECT_DOUBLE_EQ(audio.level, 1.0);
  for (const int value : {0, 64}) {  // 64 replaces 0 before the window ends
    loop.advance(0.01);
    cc(7, value);
  }
  loop.advance(0.039);
  EXPECT_DOUBLE_EQ(audio.level, 1.0);
  loop.advance(0.002);
  EXPECT_NEAR(audio.level, 64 / 127.0, 1e-9);
  EXPECT_EQ(std::tuple(audio.writes, lastTrace(), keys.sounds.size()),
            std::tuple(2, "CC 7 = 64   →   the Mac's volume 50%  (silent)", 0u));
  loop.advance(0.1);
  audio.level = 0.2;
  cc(8, 127);
  EXPECT_EQ(keys.sounds, std::vector(8, RecordingKeyOutput::Sound{SoundKey::up, true}));
}

// A trace clear, a row edit, learning, a run of turns and the way to Live lost each reach the screens, at
// most once per 100 ms.
TEST_F(EngineTest, TheScreensHearOfChangesAtMostEvery100ms) {
  startWith({jogRow(), row(2, "shift", 64)});
  int published = 0;
  engine->subscribe([&] { ++published; });
  loop.advance(0.2);
  engine->clearTrace();
  loop.advance(0.1);
  engine->set(2, "note", nlohmann::json("x"));
  loop.advance(0.1);
  engine->learn(2);
  loop.advance(0.1);
  EXPECT_EQ(published, 4);  // the start, the clear, the edit, the learning
  for (int i = 0; i < 20; ++i) {
    cc(21, 1);
    loop.advance(0.01);
  }
  EXPECT_EQ(published, 6);
  loop.advance(1);  // the lamps out
  published = 0;
  loop.advance(1);        // idle: nothing to tell
  system.remove(toLive);  // the way to Live gone
  loop.advance(0.1);
  EXPECT_EQ(published, 1);
}
