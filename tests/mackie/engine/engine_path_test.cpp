// The MK engine's message path: the monitor, the heard line, the row lamps, detecting and learning, firing
// and the trace line of each kind of action, Live's lights, labels, and the fine (14-bit) faders.
#include "common/lost_input.h"
#include "engine_fixture.h"
#include "mackie/core/handshake.h"

TEST_F(EngineTest, TheMonitorKeepsFourMessagesWithoutTheQuietOnesAndLiveLightsArriveOnTheBackPort) {
  const auto back = system.addSource("IAC Driver Bus 2");
  startWith({});
  from(controller, 0xF8, 0, 0);
  EXPECT_FALSE(view().heard);
  for (const int n : {1, 2, 2, 3, 4, 5})
    cc(n, 5);
  // One entry for CC 2's repeat; CC 1's was pushed out.
  EXPECT_EQ(std::tuple(view().incoming.size(), view().incoming.back().text, view().incoming.back().count),
            std::tuple(4u, "CC 2 = 5   ch 1", 2));
  from(controller, 0xC2, 1, 0);  // heard, but a program change reaches no row
  EXPECT_EQ(std::tuple(view().heard->line, view().heard->mine), std::tuple("USB1   PROGRAM 1   ch 3", true));
  system.lose(controller, 5);  // what the MIDI layer had to drop
  loop.runDue();
  EXPECT_EQ(lastTrace(), LostInput::text(5, true));
  engine->setBack("IAC Driver Bus 2");  // Live's lights come back on a second bus
  EXPECT_EQ(engine->backLine(), "listening on IAC Driver Bus 2, nothing from Live yet");
  from(back, 0x90, 94, 127);
  from(back, 0x90, 86, 0);
  from(controller, 0x90, 95, 127);  // not from Live
  loop.advance(65);
  EXPECT_EQ(engine->backLine(), "Live's own lights, 1 min ago:  PLAY on · RECORD off · LOOP off");
  engine->setBack("");
  EXPECT_EQ(engine->backLine(), "not listening for Live's lights — optional, and it needs a second IAC bus");
  EXPECT_EQ(std::tuple(lastTrace(), savedFile()["back"]),
            std::tuple("not listening for Live's lights", nlohmann::json("")));
}

// A note row stays lit while its note is held (at most 20 s), a CC row for 0.3 s; other sources never fire.
TEST_F(EngineTest, OnlyTheLockedDeviceFiresOnAnyChannelAndAHeldNoteKeepsItsRowLitUntilItsRelease) {
  const auto other = system.addSource("Port 2");
  startWith({row(1, "play", 36, {{"from", "note"}, {"value", 127}}), row(2, "stop", 7)});
  const double t0 = loop.now();
  from(other, 0x90, 36, 127);
  EXPECT_EQ(std::tuple(view().heard->mine, engine->lit(1)), std::tuple(false, std::optional<std::string>()));
  noteOn(36, 127, 2);
  EXPECT_EQ(view().heard->line, "USB1   NOTE 36 = 127   ch 3");
  loop.advance(19.9);
  EXPECT_EQ(engine->lit(1), "fire");
  from(controller, 0x82, 36, 64);  // a note-off is heard as 0, and only puts the lamp out
  EXPECT_EQ(std::tuple(view().heard->line, engine->lit(1)),
            std::tuple("USB1   NOTE 36 = 0   ch 3", std::optional<std::string>()));
  cc(7, 0, 15);
  EXPECT_EQ(engine->lit(2), "fire");
  loop.advance(0.31);
  EXPECT_EQ(engine->lit(2), std::nullopt);
  EXPECT_EQ(toLiveSince(t0),
            (std::vector<Out>{
                {0, 0x90, 94, 127}, {30, 0x90, 94, 0}, {19900, 0x90, 93, 127}, {19930, 0x90, 93, 0}}));
}

// Detect refuses an IAC bus and the loopback port; neither detecting nor learning fires a row, and the two
// are exclusive.
TEST_F(EngineTest, DetectRefusesBusesThenLocksTheControllerAndLearningTakesTheRightKindFromAnySource) {
  const MidiRef others[] = {system.addSource("Bus 1"), system.addSource("Midi Through Port-0"),
                            system.addSource("Port 2")};
  startWith({row(4, "play", 1, {{"from", "note"}, {"value", 127}}), jogRow(5)}, {{"device", ""}});
  const double t0 = loop.now();
  engine->toggleDetect();
  for (const auto bus : {others[0], others[1]}) {
    from(bus, 0xB0, 1, 127);
    EXPECT_TRUE(view().detect);
    EXPECT_EQ(lastTrace(),
              "that is an IAC bus, where this app SENDS - turn a knob on the controller instead");
  }
  EXPECT_EQ(ccSays(5, 127), "locked to USB1  (CC 5 spoke first)");  // the jog row does not turn
  EXPECT_EQ(std::tuple(view().detect, savedFile()["device"]), std::tuple(false, nlohmann::json("Port 1")));
  engine->learn(4);
  EXPECT_EQ(ccSays(9, 3), "LEARN on row 4 takes a NOTE only: CC 9 let pass");
  from(others[2], 0x80, 40, 0);  // a release never completes a learn
  EXPECT_EQ(view().learnId, 4);
  from(others[2], 0x90, 40, 100);
  EXPECT_EQ(std::tuple(view().learnId, lastTrace()),
            std::tuple(std::optional<std::int64_t>(), "row 4 learned NOTE 40 = 100"));
  EXPECT_EQ(std::tuple(engine->history().undoStack.back().what, savedFile()["rows"][0]["number"]),
            std::tuple("row 4 learned NOTE 40", 40));
  loop.advance(1);
  EXPECT_TRUE(toLiveSince(t0).empty());
  engine->learn(1);
  EXPECT_EQ(ccSays(33, 65), "row 1 learned CC 33 = 0-127");  // a sweeping row learns no value
  engine->learn(1);
  engine->toggleDetect();
  EXPECT_FALSE(view().learnId);
  engine->learn(1);
  EXPECT_FALSE(view().detect);
}

TEST_F(EngineTest, EachActionKindIsTracedItsOwnWayAndAMovingControlKeepsItsLines) {
  startWith({row(1, "fader1", 1), row(2, "volumeup", 2), row(3, "volume", 3, {{"how", "blob"}}),
             row(4, "bankfirst", 4, {{"value", 127}}), row(5, "play", 6), row(6, "stop", 6)});
  for (int v = 0; v < 128; ++v)
    cc(1, v);
  EXPECT_EQ(ccSays(1, 98), "CC 1 = 98   →   FADER 1  (absolute)  (pitch bend 12642)");
  EXPECT_EQ(traced().size(), 2u);  // the start line and one for the whole sweep
  cc(6, 127);
  cc(6, 127);
  // Both rows of the button keep a line.
  EXPECT_EQ(std::tuple(traced().size(), traced()[2]), std::tuple(4u, "CC 6 = 127   →   PLAY  (note 94)"));
  EXPECT_EQ(ccSays(2, 127), "CC 2 = 127   →   VOLUME UP  (the Mac, not Live)");
  EXPECT_EQ(ccSays(3, 127), "CC 3 = 127   →   the Mac's volume 100%  (its own blob)");
  EXPECT_EQ(ccSays(4, 127), "CC 4 = 127   →   BANK: THE FIRST TRACKS  (note 46 with SHIFT held)");
  EXPECT_EQ(keys.sounds.front(), (RecordingKeyOutput::Sound{SoundKey::up, true}));
  engine->setOut("Bus 9");  // not there
  const long sent = view().sent;
  EXPECT_EQ(ccSays(6, 127), "CC 6 = 127   →   STOP  (note 93)   — BUT NOTHING IS OPEN TO LIVE");
  const auto keysPressed = keys.sounds.size();
  cc(2, 127);  // the Mac's own keys still work
  EXPECT_EQ(std::tuple(keys.sounds.size(), view().sent), std::tuple(keysPressed + 1, sent));
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

// Messages find their rows through an index of the table: a row edited, put back by UNDO, or read anew from
// the file at the next start answers its new number at once, and its old number no longer.
TEST_F(EngineTest, ARowAnswersItsNewNumberAtOnceAfterAnEditAnUndoOrANewFile) {
  startWith({row(1, "play", 21), row(2, "stop", 30)});
  // The note pressed towards Live by CC `number` = 127, or 0 for none.
  const auto pressed = [&](int number) {
    const double t0 = loop.now();
    cc(number, 127);
    loop.advance(0.1);
    const auto out = toLiveSince(t0);
    return out.empty() ? 0 : out.front().d1;
  };
  engine->set(1, "number", nlohmann::json(22));
  EXPECT_EQ(std::vector({pressed(21), pressed(22)}), (std::vector{0, 94}));
  engine->undo();
  EXPECT_EQ(std::vector({pressed(21), pressed(22)}), (std::vector{94, 0}));
  engine->stop();
  home.write(".config/midi-to-mk.json",
             nlohmann::json{{"device", "Port 1"}, {"rows", {row(1, "play", 23), row(2, "stop", 30)}}}.dump());
  engine->start();
  EXPECT_EQ(std::vector({pressed(21), pressed(23)}), (std::vector{0, 94}));
}

TEST_F(EngineTest, PortsAreLabelledForPeopleAndOnLinuxTheKernelsLoopbackPortIsTheBusWithoutAnIacBus) {
  system.remove(toLive);
  system.addDestination("Midi Through Port-0", "Midi Through");
  system.about = "MIDI through the ALSA sequencer, the default";
  system.addDevice("IAC Driver");
  system.addDevice("OXI E16");
  startWith({});
  EXPECT_EQ(traced(), (std::vector<std::string>{
                          "MIDI to MK Control is up, listening on 1 source, sending to Midi Through Port-0",
                          system.about}));
  EXPECT_EQ((std::vector{engine->label("Bus 1"), engine->label("Bus A"), engine->label("Port 2")}),
            (std::vector<std::string>{"IAC Bus 1", "Bus A", "USB2 (OXI E16)"}));
  system.addDevice("Another");  // two devices: neither is named
  engine->stop();               // labels are read afresh at a start
  engine->start();
  EXPECT_EQ(engine->label("Port 2"), "USB2");
  system.addDestination("IAC Driver Bus 2");
  engine->setOut("");
  EXPECT_EQ(view().outName, "IAC Driver Bus 2");  // an IAC bus comes first
}

// A DAW asks who listens on its Mackie port, and again at each new connection to it: each query is answered
// on the way towards Live, as a Mackie Control answers, and the trace says so once. The controller's messages
// are never taken for a DAW's; which queries are this surface's to answer is the handshake's own.
TEST_F(EngineTest, ADawsMackieDeviceQueryIsAnsweredOnTheWayToLiveEachTimeAndTracedOnce) {
  const auto daw = system.addSource("mackie control out");
  startWith({});
  const std::vector<std::uint32_t> query = {0x30050000u, 0x66140000u};
  for (const auto source : {daw, daw, controller}) {
    system.deliver(source, query);
    loop.runDue();
  }
  const FakeMidiSystem::SentSysex answer{toLive, {MKMCU::DEVICE_ANSWER.begin(), MKMCU::DEVICE_ANSWER.end()}};
  EXPECT_EQ(system.sysex, (std::vector{answer, answer}));
  const auto said = traced();
  EXPECT_EQ(std::count_if(said.begin(), said.end(), [](auto& l) { return l.find("asked") != l.npos; }), 1);
  EXPECT_EQ(
      said.back(),
      "the DAW asked on mackie control out for a Mackie Control surface — answered on IAC Driver Bus 1");
  EXPECT_EQ(view().incoming.front().text, "SYSEX");  // still shown as what it is
}
