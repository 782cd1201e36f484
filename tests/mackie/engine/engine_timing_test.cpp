// The MK engine's timing on the virtual loop: the paced path, jog, V-Pot and tempo turns, PLAY / STOP,
// letting go, the rescan and the volume pacing, exact to the millisecond.
#include "engine_fixture.h"

namespace {

using nlohmann::json;

TEST_F(EngineTest, AJogKnobLeavesAsJogBytesOnChannelOne) {
  startWith({jogRow()});
  const double t0 = loop.now();
  cc(21, 1);    // one click right
  cc(21, 127);  // one click left, 0 ms later: it waits for the next tick
  loop.advance(0.1);
  EXPECT_EQ(toLiveSince(t0), (std::vector<Out>{{0, 0xB0, 60, 2}, {25, 0xB0, 60, 66}}));
  EXPECT_EQ(lastTrace(), "CC 21 = 127   →   JOG WHEEL — the playback position  -1 click  (CC 60 = 66)");
}

TEST_F(EngineTest, TenTurnsWithin25msLeaveAsOneThenNine) {
  startWith({jogRow()});
  const double t0 = loop.now();
  for (int i = 0; i < 10; ++i) {
    cc(21, 1);
    loop.advance(0.002);
  }
  loop.advance(0.1);
  EXPECT_EQ(toLiveSince(t0), (std::vector<Out>{{0, 0xB0, 60, 2}, {25, 0xB0, 60, 18}}));
  EXPECT_EQ(traced().back(), "CC 21 = 1   →   JOG WHEEL — the playback position  +9 clicks  (CC 60 = 18)");
  EXPECT_EQ(traced().size(), 2u);  // the start line, and one collapsed line for the knob
}

TEST_F(EngineTest, FortyClicksLeaveAs31ThenNine) {
  startWith({jogRow()});
  const double t0 = loop.now();
  engine->spin(jogTurn(40), "CC 21 = 40");
  loop.advance(0.1);
  EXPECT_EQ(toLiveSince(t0), (std::vector<Out>{{0, 0xB0, 60, 62}, {25, 0xB0, 60, 18}}));
  EXPECT_FALSE(engine->spinTimer);  // a tick that found nothing to send stopped it
}

TEST_F(EngineTest, AVpotTurnedSixLeftSendsFourStepsThenTwo) {
  startWith({row(1, "vpot2", 30, {{"how", "signmag"}})});
  const double t0 = loop.now();
  cc(30, 64 + 6);  // sign-magnitude: six to the left
  loop.advance(0.2);
  // Each step is its own message, so the paced path spaces them 20 ms apart.
  EXPECT_EQ(toLiveSince(t0), (std::vector<Out>{{0, 0xB0, 17, 65},
                                               {20, 0xB0, 17, 65},
                                               {40, 0xB0, 17, 65},
                                               {60, 0xB0, 17, 65},
                                               {80, 0xB0, 17, 65},
                                               {100, 0xB0, 17, 65}}));
  const auto lines = traced();
  EXPECT_EQ(lines.back(), "CC 30 = 70   →   V-POT 2  (relative)  -2 steps  (CC 17)");
}

TEST_F(EngineTest, TheJogBecomesTheTempoWhileControlIsHeld) {
  startWith({jogRow(), row(2, "control", 40, {{"from", "note"}})});
  noteOn(40, 127);  // CONTROL down towards Live
  loop.advance(0.1);
  const double t0 = loop.now();
  engine->spin(jogTurn(-70), "CC 21 = 70");
  loop.advance(0.1);
  EXPECT_EQ(toLiveSince(t0), (std::vector<Out>{{0, 0xB0, 60, 127}, {25, 0xB0, 60, 71}}));
  EXPECT_EQ(lastTrace(), "CC 21 = 70   →   JOG  -7 clicks  (CONTROL is down: the TEMPO)  (CC 60 = 71)");
}

TEST_F(EngineTest, ABurstOf250LeavesOneAtOnceThen200PacedAndDrops49) {
  startWith({});
  const double t0 = loop.now();
  for (int i = 0; i < 250; ++i)
    engine->wire(0xB0, 7, i % 128);
  loop.advance(5);
  const auto out = toLiveSince(t0);
  ASSERT_EQ(out.size(), 201u);
  for (int i = 0; i <= 200; ++i)
    EXPECT_EQ(out[i].ms, 20 * i) << i;
  EXPECT_EQ(out.back().d2, 200 % 128);
  EXPECT_EQ(engine->sent, 201);
  EXPECT_FALSE(engine->pump);  // a tick that found nothing stopped it
}

TEST_F(EngineTest, AButtonIsReleased30msAfterItsPress) {
  startWith({row(1, "record", 36, {{"from", "note"}})});
  const double t0 = loop.now();
  noteOn(36, 100);
  loop.advance(0.1);
  EXPECT_EQ(toLiveSince(t0), (std::vector<Out>{{0, 0x90, 95, 127}, {30, 0x90, 95, 0}}));
  EXPECT_TRUE(engine->down.empty());
}

class PlayStopTest : public EngineTest {
 protected:
  void SetUp() override { startWith({row(1, "playstop", 36, {{"from", "note"}, {"value", 127}})}); }
  // Live's log reports its state, as its scripting endpoint would write it.
  void liveSays(bool playing) {
    logged += std::string("Getting property for song: is_playing = ") + (playing ? "True" : "False") + "\n";
    home.write("Library/Preferences/Ableton/Live 12.1/Log.txt", logged);
  }
  std::string logged;
};

TEST_F(PlayStopTest, WithoutAStateItPressesLivesOwnShiftPlay) {
  const double t0 = loop.now();
  noteOn(36, 127);
  loop.advance(1);
  EXPECT_EQ(
      toLiveSince(t0),
      (std::vector<Out>{{0, 0x90, 70, 127}, {20, 0x90, 94, 127}, {40, 0x90, 94, 0}, {60, 0x90, 70, 0}}));
  EXPECT_EQ(lastTrace(),
            "NOTE 36 = 127   →   PLAY / STOP  — one button, from the insert point  (SHIFT + PLAY (Live could "
            "not be "
            "asked: its own playhead, not the insert point))");
}

// With Live's state known, it presses PLAY or STOP after a guard, unless Live's log says meanwhile that
// it changed; a stop then plants the insert point with a nudge each way 0.15 s and 0.23 s after the decision.
TEST_F(PlayStopTest, WithAStateItPlaysOrStopsOnlyIfLiveHasNotChangedMeanwhile) {
  const struct {
    bool playing;
    std::optional<bool> meanwhile;
    std::vector<Out> out;
    const char* says;
  } cases[] = {{false,
                {},
                {{150, 0x90, 94, 127}, {180, 0x90, 94, 0}},
                "(PLAY (note 94, only if Live is still stopped) from the insert point)"},
               {false, true, {}, nullptr},
               {true,
                {},
                {{150, 0x90, 93, 127}, {180, 0x90, 93, 0}, {300, 0xB0, 60, 2}, {380, 0xB0, 60, 66}},
                "(STOP (note 93, only if Live is still playing) and the insert point planted on the playhead "
                "(CC 60))"},
               {true, false, {{300, 0xB0, 60, 2}, {380, 0xB0, 60, 66}}, nullptr}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.playing ? "playing" : "stopped") + (c.meanwhile ? ", changed meanwhile" : ""));
    engine->live->expect(c.playing);
    const double t0 = loop.now();
    noteOn(36, 127);
    if (c.meanwhile) liveSays(*c.meanwhile);
    loop.advance(1);
    EXPECT_EQ(toLiveSince(t0), c.out);
    EXPECT_EQ(engine->live->playing, !c.playing);
    if (c.says) {
      EXPECT_NE(lastTrace().find(c.says), std::string::npos) << lastTrace();
    }
  }
}

TEST_F(EngineTest, SwitchingThePowerOffReleasesHeldNotesAtOnce) {
  startWith({row(1, "shift", 64), row(2, "alt", 65)});
  cc(64, 127);
  cc(65, 127);
  loop.advance(0.1);
  ASSERT_EQ(engine->down, (std::set<int>{70, 73}));
  const double t0 = loop.now();
  engine->setPower();
  EXPECT_EQ(toLiveSince(t0), (std::vector<Out>{{0, 0x90, 70, 0}, {0, 0x90, 73, 0}}));
  EXPECT_TRUE(engine->down.empty());
  EXPECT_TRUE(engine->held.empty());
  cc(64, 0);  // paused: nothing fires
  loop.advance(0.1);
  EXPECT_EQ(toLiveSince(t0).size(), 2u);
  EXPECT_EQ(engine->lit(1), "heard");
  EXPECT_EQ(engine->status(), "PAUSED");
}

TEST_F(EngineTest, SourcesAreRescanned500msAfterTheyChange) {
  startWith({});
  EXPECT_EQ(engine->midi->names, std::vector<std::string>{"Port 1"});
  const auto second = system.addSource("Port 2");
  loop.advance(0.499);
  EXPECT_FALSE(system.connected(second));
  loop.advance(0.002);
  EXPECT_TRUE(system.connected(second));
  EXPECT_EQ(engine->midi->names, (std::vector<std::string>{"Port 1", "Port 2"}));
}

TEST_F(EngineTest, AWantedBusIsTakenWhenItComesBackWithItsSource) {
  startWith({}, {{"out", "IAC Driver Bus 2"}});
  EXPECT_EQ(engine->outRef, 0u);
  const auto bus = system.addDestination("IAC Driver Bus 2");
  system.addSource("IAC Driver Bus 2");
  loop.advance(0.6);
  EXPECT_EQ(engine->outRef, bus);
  EXPECT_EQ(engine->outName, "IAC Driver Bus 2");
}

TEST_F(EngineTest, VolumeGoesAtOnceThenTheLatestOfEach60ms) {
  startWith({row(1, "volume", 7, {{"how", "silent"}})});
  cc(7, 127);  // 100 %, at once
  EXPECT_DOUBLE_EQ(audio.level, 1.0);
  loop.advance(0.01);
  cc(7, 0);
  loop.advance(0.01);
  cc(7, 64);  // replaces 0 before the window ends
  loop.advance(0.039);
  EXPECT_DOUBLE_EQ(audio.level, 1.0);
  loop.advance(0.002);
  EXPECT_NEAR(audio.level, 64 / 127.0, 1e-9);
  EXPECT_EQ(audio.writes, 2);
  EXPECT_EQ(lastTrace(), "CC 7 = 64   →   the Mac's volume 50%  (silent)");
}

TEST_F(EngineTest, TheVisibleVolumePressesQuarterStepKeys) {
  startWith({row(1, "volume", 7, {{"how", "blob"}})});
  audio.level = 0.2;
  cc(7, 127);
  EXPECT_EQ(keys.sounds.size(), 8u);  // at most eight presses per update
  EXPECT_EQ(keys.sounds.front(), (RecordingKeyOutput::Sound{SoundKey::up, true}));
}

TEST_F(EngineTest, TheScreensHearOfChangesAtMostEvery100ms) {
  startWith({jogRow()});
  int published = 0;
  engine->subscribe([&] { ++published; });
  for (int i = 0; i < 20; ++i) {
    cc(21, 1);
    loop.advance(0.01);
  }
  EXPECT_EQ(published, 2);
}

TEST_F(EngineTest, StoppingClearsTimersAndReleasesButKeepsTheTable) {
  startWith({jogRow(), row(2, "shift", 64)});
  cc(64, 127);
  for (int i = 0; i < 5; ++i)
    engine->wire(0xB0, 1, i);
  engine->stop();
  EXPECT_FALSE(engine->running);
  EXPECT_FALSE(engine->pump);
  EXPECT_TRUE(engine->queue.empty());
  EXPECT_EQ(engine->outRef, 0u);
  EXPECT_EQ(engine->rows.size(), 2u);
  EXPECT_EQ(system.clients(), 0);
  EXPECT_EQ(engine->status(), "OFF");
  EXPECT_FALSE(engine->refresh);
  EXPECT_FALSE(engine->live->timer);
}

}  // namespace
