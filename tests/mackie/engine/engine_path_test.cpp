// The MK engine's message path: the monitor, the heard line, detecting and learning, the row lamps, firing
// and the trace lines of each kind of action, labels, and the fine (14-bit) faders.
#include "common/lost_input.h"
#include "engine_fixture.h"

namespace {

using nlohmann::json;

TEST_F(EngineTest, TheMonitorCountsRepeatsAndKeepsFourMessages) {
  startWith({});
  cc(1, 5);
  cc(1, 5);
  ASSERT_EQ(engine->incoming.size(), 1u);
  EXPECT_EQ(engine->incoming.front().count, 2);
  EXPECT_EQ(engine->incoming.front().port, "USB1");
  EXPECT_EQ(engine->incoming.front().text, "CC 1 = 5   ch 1");
  cc(2, 5);
  cc(1, 5);
  EXPECT_EQ(engine->incoming.size(), 3u);
  for (int i = 3; i < 6; ++i)
    cc(i, 5);
  ASSERT_EQ(engine->incoming.size(), 4u);
  EXPECT_EQ(engine->incoming.front().text, "CC 5 = 5   ch 1");
  EXPECT_EQ(engine->incoming[3].text, "CC 1 = 5   ch 1");  // the first "CC 2" was pushed out
}

TEST_F(EngineTest, QuietMessagesAreNeverShownAndANoteReleaseIsHeardAsZeroAndOnlyUnholdsTheRowLamp) {
  startWith({row(1, "play", 36, {{"from", "note"}, {"value", 127}})});
  from(controller, 0xF8, 0, 0);
  EXPECT_TRUE(engine->incoming.empty());
  EXPECT_FALSE(engine->heard);
  from(controller, 0xC2, 1, 0);  // a program change never reaches the rows
  EXPECT_EQ(engine->heard->line, "USB1   PROGRAM 1   ch 3");
  EXPECT_TRUE(engine->heard->mine);
  EXPECT_TRUE(engine->act.empty());

  noteOn(36, 127);
  EXPECT_TRUE(engine->act.at(1).held);
  const double pressed = engine->act.at(1).at;
  loop.advance(1);
  from(controller, 0x80, 36, 64);
  EXPECT_EQ(engine->heard->line, "USB1   NOTE 36 = 0   ch 1");
  EXPECT_EQ(engine->incoming.front().text, "NOTE 36 off   ch 1");
  EXPECT_FALSE(engine->act.at(1).held);
  EXPECT_EQ(engine->act.at(1).at, pressed);
}

TEST_F(EngineTest, DetectRefusesAnIacBusAndTheLoopbackPortThenLocksTheControllerWithoutFiring) {
  const MidiRef buses[] = {system.addSource("Bus 1"), system.addSource("Midi Through Port-0")};
  startWith({row(1, "play", 1)}, {{"device", ""}});
  engine->toggleDetect();
  for (const auto bus : buses) {
    from(bus, 0xB0, 1, 127);
    EXPECT_TRUE(engine->detect);
    EXPECT_EQ(lastTrace(),
              "that is an IAC bus, where this app SENDS - turn a knob on the controller instead");
  }
  const double t0 = loop.now();
  cc(1, 127);
  EXPECT_FALSE(engine->detect);
  EXPECT_EQ(engine->device(), "Port 1");
  EXPECT_EQ(lastTrace(), "locked to USB1  (CC 1 spoke first)");
  loop.advance(0.1);
  EXPECT_TRUE(toLiveSince(t0).empty());
  EXPECT_EQ(savedFile()["device"], "Port 1");
}

TEST_F(EngineTest, OnlyTheLockedDeviceFiresButLearningTakesTheRightKindFromAnySource) {
  const auto other = system.addSource("Port 2");
  startWith({row(4, "play", 1, {{"from", "note"}, {"value", 127}})});
  double t0 = loop.now();
  from(other, 0x90, 1, 127);
  loop.advance(0.1);
  EXPECT_TRUE(toLiveSince(t0).empty());
  EXPECT_FALSE(engine->heard->mine);
  noteOn(1, 127);
  loop.advance(0.1);
  EXPECT_EQ(toLiveSince(t0).size(), 2u);
  EXPECT_EQ(lastTrace(), "NOTE 1 = 127   →   PLAY  (note 94)");

  engine->learn(4);
  cc(9, 3);
  EXPECT_EQ(lastTrace(), "LEARN on row 4 takes a NOTE only: CC 9 let pass");
  from(other, 0x80, 40, 0);  // a release never completes a learn
  EXPECT_EQ(engine->learnId, 4);
  t0 = loop.now();
  from(other, 0x90, 40, 100);
  EXPECT_FALSE(engine->learnId);
  EXPECT_EQ(engine->row(4)->number, 40);
  EXPECT_EQ(engine->row(4)->value, 100);
  EXPECT_EQ(lastTrace(), "row 4 learned NOTE 40 = 100");
  EXPECT_EQ(engine->history.undoStack.back().what, "row 4 learned NOTE 40");
  loop.advance(0.1);
  EXPECT_TRUE(toLiveSince(t0).empty());  // the learning message is not fired
  engine->undo();
  EXPECT_EQ(engine->row(4)->number, 1);
}

TEST_F(EngineTest, ASweepingRowLearnsItsNumberButNoValueAndDetectAndLearnAreExclusive) {
  startWith({jogRow(5)});
  engine->learn(1);
  cc(33, 65);
  EXPECT_EQ(engine->row(1)->number, 33);
  EXPECT_EQ(engine->row(1)->value, std::nullopt);
  EXPECT_EQ(lastTrace(), "row 1 learned CC 33 = 0-127");
  engine->learn(1);
  engine->toggleDetect();
  EXPECT_FALSE(engine->learnId);
  engine->learn(1);
  EXPECT_FALSE(engine->detect);
  engine->learn(1);  // again on the same row: it stops
  EXPECT_FALSE(engine->learnId);
}

TEST_F(EngineTest, EachActionKindIsTracedItsOwnWayAndAMovingControlKeepsItsLines) {
  startWith({row(1, "fader1", 1), row(2, "volumeup", 2), row(3, "volume", 3, {{"how", "blob"}}),
             row(4, "bankfirst", 4, {{"value", 127}}), row(5, "fader9", 5), row(6, "play", 6),
             row(7, "stop", 6)});
  for (int v = 0; v < 128; ++v)
    cc(1, v);
  cc(1, 98);
  EXPECT_EQ(traced().size(), 2u);  // the start line and one for the whole sweep
  EXPECT_EQ(lastTrace(), "CC 1 = 98   →   FADER 1  (absolute)  (pitch bend 12642)");
  cc(6, 127);
  cc(6, 127);
  EXPECT_EQ(traced().size(), 4u);  // both rows of the button keep a line
  EXPECT_EQ(traced()[2], "CC 6 = 127   →   PLAY  (note 94)");
  cc(5, 64);
  EXPECT_EQ(lastTrace(), "CC 5 = 64   →   FADER 9  (the master)  (absolute)  (pitch bend 8256)");
  cc(2, 127);
  EXPECT_EQ(lastTrace(), "CC 2 = 127   →   VOLUME UP  (the Mac, not Live)");
  EXPECT_EQ(keys.sounds.back(), (RecordingKeyOutput::Sound{SoundKey::up, true}));
  cc(3, 127);
  EXPECT_EQ(lastTrace(), "CC 3 = 127   →   the Mac's volume 100%  (its own blob)");
  cc(4, 127);
  EXPECT_EQ(lastTrace(), "CC 4 = 127   →   BANK: THE FIRST TRACKS  (note 46 with SHIFT held)");
}

TEST_F(EngineTest, ALineSaysSoWhenNothingIsOpenToLive) {
  system.remove(toLive);
  startWith({row(1, "play", 1), row(2, "volumemute", 2)});
  cc(1, 127);
  EXPECT_EQ(lastTrace(), "CC 1 = 127   →   PLAY  (note 94)   — BUT NOTHING IS OPEN TO LIVE");
  cc(2, 127);
  EXPECT_EQ(lastTrace(), "CC 2 = 127   →   MUTE THE MAC  (the Mac, not Live)");
  EXPECT_EQ(engine->sent, 0);
}

TEST_F(EngineTest, LiveLightsArriveOnTheBackPort) {
  const auto back = system.addSource("IAC Driver Bus 2");
  startWith({}, {{"back", "IAC Driver Bus 2"}});
  EXPECT_EQ(engine->backLine(), "listening on IAC Driver Bus 2, nothing from Live yet");
  from(back, 0x90, 94, 127);
  from(back, 0x90, 86, 0);
  EXPECT_EQ(engine->backLine(), "Live's own lights, just now:  PLAY on · RECORD off · LOOP off");
  loop.advance(65);
  EXPECT_EQ(engine->backLine(), "Live's own lights, 1 min ago:  PLAY on · RECORD off · LOOP off");
  engine->setBack("");
  EXPECT_EQ(engine->backLine(), "not listening for Live's lights — optional, and it needs a second IAC bus");
  EXPECT_EQ(lastTrace(), "not listening for Live's lights");
}

// The pairing itself is the rules' own; here, what the engine adds: the lamp, and forgetting the upper half.
TEST_F(EngineTest, AFineFaderLightsForEitherHalfAndForgetsItsUpperHalfWhenTheTableChanges) {
  startWith({row(1, "fader2", 3, {{"how", "14"}})});
  const double t0 = loop.now();
  cc(3, 100);
  cc(3 + 32, 5);
  loop.advance(0.5);  // the lamp goes out
  cc(3 + 32, 6);
  EXPECT_EQ(engine->lit(1), "fire");
  engine->add();
  cc(3 + 32, 7);  // the upper half heard before the change no longer counts
  loop.advance(0.2);
  EXPECT_EQ(toLiveSince(t0), (std::vector<Out>{{0, 0xE1, 0, 100}, {20, 0xE1, 5, 100}, {500, 0xE1, 6, 100}}));
}

TEST_F(EngineTest, PortsAreLabelledForPeopleAndOnLinuxTheKernelsLoopbackPortIsTheBusWithoutAnIacBus) {
  system.remove(toLive);
  const auto through = system.addDestination("Midi Through Port-0", "Midi Through");
  system.about = "MIDI through the ALSA sequencer, the default";
  system.addDevice("IAC Driver");
  system.addDevice("OXI E16");
  startWith({});
  EXPECT_EQ(engine->outRef, through);
  EXPECT_EQ(traced(), (std::vector<std::string>{
                          "MIDI to MK Control is up, listening on 1 source, sending to Midi Through Port-0",
                          "MIDI through the ALSA sequencer, the default"}));
  EXPECT_EQ(engine->label("Bus 1"), "IAC Bus 1");
  EXPECT_EQ(engine->label("Bus A"), "Bus A");
  EXPECT_EQ(engine->label("Port 2"), "USB2 (OXI E16)");
  EXPECT_EQ(engine->label(""), "");
  system.addDevice("Another");
  EXPECT_EQ(engine->label("Port 2"), "USB2 (OXI E16)");  // cached until the next rescan
  engine->labels.clear();
  EXPECT_EQ(engine->label("Port 2"), "USB2");

  const auto iac = system.addDestination("IAC Driver Bus 2");
  engine->setOut("");
  EXPECT_EQ(engine->outRef, iac);  // an IAC bus comes first
}

TEST_F(EngineTest, InputThatTheMidiLayerHadToDropIsTraced) {
  startWith({});
  system.lose(controller, 5);
  loop.runDue();
  EXPECT_EQ(lastTrace(), LostInput::text(5, true));
}

}  // namespace
