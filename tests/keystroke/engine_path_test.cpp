// The Key Stroke engine's message path: decoding and the monitor, detect and learn, the lamps, firing keys
// and the volume, sources and labels, and the status texts.
#include <filesystem>

#include "common/lost_input.h"
#include "engine_fixture.h"
#include "keystroke/rules.h"

namespace {

using Key = RecordingKeyOutput::Key;
using Sent = FakeMidiSystem::Sent;

TEST_F(KSEngineTest, EachMessageIsShownAndHeardAndOnlyCCsAndNotesFireAMatchingRowsChord) {
  // Row 1 asks for exactly 0, so it fires on both forms of a note release; row 2 fires if pressure counted.
  startWith({keyRow(1, 36, "a", {{"type", "note"}, {"value", 0}}), keyRow(2, 1, "b"),
             keyRow(3, 7, "s", {{"mods", {"cmd", "shift"}}}), keyRow(4, 7, "nosuch")});
  // clang-format off
  const std::tuple<int, int, int, const char*, const char*> cases[] = {
      {0xFE, 0, 0, "", ""},  // the quiet ones leave no trace
      {0xF4, 0, 0, "SYSTEM f4", "USB1   SYSTEM f4"},
      {0xFA, 0, 0, "START", "USB1   START"},
      {0x80, 36, 64, "NOTE 36 off   ch 1", "USB1   N 36 = 0   ch 1"},
      {0x92, 36, 0, "NOTE 36 off   ch 3", "USB1   N 36 = 0   ch 3"},
      {0x91, 36, 1, "NOTE 36 = 1   ch 2", "USB1   N 36 = 1   ch 2"},
      {0xE1, 1, 64, "PITCH BEND 8193   ch 2", "USB1   PITCH BEND 8193   ch 2"},
      {0xA0, 1, 2, "NOTE 1 PRESSURE 2   ch 1", "USB1   NOTE 1 PRESSURE 2   ch 1"},
      {0xD1, 90, 0, "PRESSURE 90   ch 2", "USB1   PRESSURE 90   ch 2"},
      {0xB3, 5, 64, "CC 5 = 64   ch 4", "USB1   CC 5 = 64   ch 4"},
  };
  // clang-format on
  for (const auto& [status, d1, d2, shown, heard] : cases) {
    from(controller, status, d1, d2);
    EXPECT_EQ(view().incoming.empty() ? "" : view().incoming.front().text, shown);
    EXPECT_EQ(view().heard ? view().heard->line : "", heard);
  }
  EXPECT_EQ(std::exchange(keys.keys, {}).size(), 4u);
  engine->clearTrace();
  cc(7, 64);
  EXPECT_EQ(keys.keys, (std::vector<Key>{{1, 0x120000, true}, {1, 0x120000, false}}));
  EXPECT_EQ(traced(), (Lines{"USB1   CC 7 = 64   →   " + KSRules::chord({"cmd", "shift"}, "s"),
                             "no key code for \"nosuch\"", "USB1   CC 7 = 64   →   nosuch"}));
}

// Learning messages fire nothing; a message of the wrong kind is let pass with one line for them all.
TEST_F(KSEngineTest,
       DetectWaitsForAPressAndLearningLetsTheWrongKindPassTakesNumberAndValueByKindAndEndsOnARepeatOrAStop) {
  startWith({keyRow(1, 1, "a", {{"type", "note"}, {"value", 5}}), keyRow(2, 1, "b")}, {{"device", ""}});
  engine->toggleDetect();
  from(controller, 0x80, 36, 0);
  EXPECT_TRUE(view().detect);
  noteOn(36, 100);
  EXPECT_EQ(std::pair(view().detect, savedFile()["device"]), std::pair(false, nlohmann::json("Port 1")));
  engine->learn(1);
  cc(1, 3);  // row 2's message
  cc(10, 3);
  EXPECT_EQ(traced(), (Lines{"locked to USB1  (N 36 spoke first)",
                             "LEARN on row 1 takes a NOTE only: CC 10 let pass"}));
  noteOn(40, 99);
  EXPECT_EQ(std::tuple(engine->row(1)->cc, engine->row(1)->value, lastTrace()),
            std::tuple(40, std::nullopt, "row 1 learned N 40 = any"));
  engine->learn(2);
  cc(21, 127);
  EXPECT_EQ(std::tuple(savedFile()["rows"][1]["value"], lastTrace(), keys.keys.size()),
            std::tuple(127, "row 2 learned CC 21 = 127", 0u));
  engine->learn(1);
  engine->learn(1);  // the same row again: learning ends, as it does when the engine stops
  EXPECT_FALSE(view().learnId);
  engine->learn(1);
  engine->stop();
  EXPECT_FALSE(view().learnId);
}

TEST_F(KSEngineTest, OnlyTheLockedDeviceFiresAndLampsLightBrieflyForACcLongerForAHeldNoteAndHeardWhenOff) {
  const auto other = system.addSource("Port 2");
  startWith({keyRow(1, 7, "a"), keyRow(2, 36, "b", {{"type", "note"}})});
  from(other, 0xB0, 7, 1);
  loop.advance(0.08);
  EXPECT_TRUE(!view().heard->mine && view().lit.empty() && keys.keys.empty());
  cc(7, 1);
  noteOn(36, 100);
  loop.advance(0.08);
  EXPECT_EQ(view().lit, (std::map<std::int64_t, std::string>{{1, "fire"}, {2, "fire"}}));
  loop.advance(0.3);
  EXPECT_EQ(view().lit, (std::map<std::int64_t, std::string>{{2, "fire"}}));
  noteOn(36, 0);  // let go
  loop.advance(0.08);
  EXPECT_TRUE(view().lit.empty());
  noteOn(36, 100);
  engine->set(2, "type", "cc");  // changed while held: its next CC lets the lamp fade
  cc(36, 1);
  loop.advance(0.5);
  EXPECT_TRUE(view().lit.empty());
  engine->togglePower();
  cc(7, 1);
  loop.advance(0.08);
  EXPECT_EQ(view().lit.at(1), "heard");
}

// The layer line and trust prompt come at the start; why() names the first thing missing.
TEST_F(KSEngineTest, TheStartSaysWhichMidiLayerWasChosenAsksForTrustUnlessAtLoginAndWhyNamesWhatIsMissing) {
  system.about = "MIDI through JACK, as asked";
  startWith({}, {{"device", ""}, {"on", false}});
  EXPECT_EQ(std::pair(traced(), keys.trustAsked), std::pair(Lines{"MIDI through JACK, as asked"}, 1));
  EXPECT_EQ(engine->why(), std::make_pair(std::string("the switch is OFF: nothing is sent"), false));
  engine->togglePower();
  EXPECT_EQ(engine->why().first, "no device is locked: press DETECT DEVICE and turn a knob");
  engine->toggleDetect();
  cc(1, 1);
  EXPECT_EQ(engine->why().first, "the table is empty: press + A ROW");
  engine->add();
  EXPECT_EQ(engine->why(), std::make_pair(std::string("listening on USB1"), false));
  system.lose(controller, 5);
  loop.runDue();
  EXPECT_EQ(lastTrace(), LostInput::text(5, true));
  system.remove(controller);
  loop.advance(1);
  EXPECT_EQ(engine->why(),
            std::make_pair(std::string("no MIDI source is open — is the device plugged in?"), true));
  engine->stop();
  login = true;  // started with the session: no prompt
  start();
  EXPECT_EQ(keys.trustAsked, 1);
}

// Dry mode listens but presses, sends and writes nothing. Then, written silently, the first volume goes at
// once and the latest of the next 60 ms after them; the visible one presses the sound keys.
TEST_F(KSEngineTest,
       DryModeWritesNothingTheSilentVolumeGoesAtOnceThenTheLatestOf60msAndTheVisibleOnePressesKeys) {
  dry = true;
  startWith({keyRow(1, 8, "a"), {{"id", 2}, {"cc", 7}, {"kind", "volume"}}}, {{"blob", false}});
  const auto before = settingsText();
  cc(8, 1);
  cc(7, 127);
  loop.advance(1);
  engine->add();
  EXPECT_EQ(std::tuple(keys.keys.size(), audio.writes, settingsText(), keys.trustAsked),
            std::tuple(0u, 0, before, 0));
  EXPECT_EQ(traced(), (Lines{"USB1   CC 8 = 1   →   A  (dry: not pressed)",
                             "USB1   CC 7 = 127   →   volume 100%  (dry)"}));
  engine->setDry(false);
  engine->clearTrace();
  // The value sent, the time after it, then the volume and the writes so far.
  // clang-format off
  const std::tuple<int, double, double, int> steps[] = {
      {127, 0.02, 1.0, 1}, {0, 0, 1.0, 1}, {64, 0.05, 0.5, 2}, {64, 0.1, 0.5, 2}};  // the same percent: not written
  // clang-format on
  for (const auto& [value, wait, level, writes] : steps) {
    cc(7, value);
    loop.advance(wait);
    EXPECT_EQ(std::pair(audio.level, audio.writes), std::pair(level, writes)) << value;
  }
  EXPECT_EQ(traced(), Lines{"USB1   CC 7 = 64   →   volume 50%"});  // the knob keeps one line
  // How the volume is shown is the file's to say, read at each start. Shown, 55 % is three quarter steps up
  // on the sound keys; then the keys moved the volume, so 50 % is written again.
  auto conf = savedFile();
  for (const bool shown : {true, false}) {
    conf["blob"] = shown;
    home.write(".config/midi-to-keystroke.json", conf.dump());
    engine->stop();
    engine->start();
    cc(7, shown ? 70 : 64);
    loop.advance(1);
    EXPECT_EQ(std::pair(keys.sounds.size(), audio.writes), std::pair(3ul, shown ? 2 : 3)) << shown;
  }
}

// A source whose name comes again is opened once.
TEST_F(KSEngineTest, SourcesAreOpenedOnceByNameAndRescannedAfterAChangeAndRingValuesGoToPort3Only) {
  system.addSource("Port 1");
  startWith({});
  EXPECT_EQ(view().listening, Lines{"USB1"});
  system.addDevice("OXI E16");
  const auto third = system.addSource("Port 3");
  const auto e16 = system.addDestination("Port 3");
  const auto other = system.addDestination("Port 1");
  loop.advance(0.49);
  EXPECT_FALSE(system.connected(third));
  loop.advance(0.02);
  EXPECT_EQ(std::tuple(system.connected(third), view().listening, engine->label("Bus 1")),
            std::tuple(true, Lines{"USB1 (OXI E16)", "USB3 (OXI E16)"}, "IAC Bus 1"));
  EXPECT_TRUE(engine->sendCC(3, 127, 2));
  EXPECT_EQ(std::pair(system.sentTo(e16), system.sentTo(other).size()),
            std::pair(std::vector<Sent>{{0, e16, 0xB2, 3, 127}}, 0ul));
}

// The ring logic itself is the ring driver's and KSE16's (RingDriverTest, KSE16Test); here it is wired to the
// engine's rows, send, timer and helper.
TEST_F(KSEngineTest, RingsLightThroughTheEnginesOwnSendFollowTheVolumeAndTakeColoursThroughTheHelper) {
  const MidiRef e16 = system.addDestination("Port 3");
  // Knob 1 turns CC 7; knob 2 turns CC 3 and is pushed as note 36, so a page and knob swapped show.
  home.write("Documents/set.oxie16", R"({"pages":[{"encoders":[{"turn_actions":[{"type":3,"nr1":7}]},
    {"turn_actions":[{"type":3,"nr1":3}],"push_action":{"type":1,"nr1":36},"color":5}]}]})");
  startWith({keyRow(1, 36, "a", {{"type", "note"}, {"led", true}}),
             {{"id", 2}, {"cc", 7}, {"kind", "volume"}, {"led", true}}});
  noteOn(36, 101);
  audio.level = 1;
  loop.advance(0.5);
  engine->togglePower();
  audio.level = 0;
  loop.advance(1);  // off: the ring is left alone
  EXPECT_EQ(system.sentTo(e16), (std::vector<Sent>{{0, e16, 0xB0, 3, 127}, {0, e16, 0xB0, 7, 127}}));
  std::filesystem::copy_file(std::string(HELPERS_DIR) + "/midikeys_e16colour.py", home.path() + "/helper.py");
  std::filesystem::copy_file(std::string(HELPERS_DIR) + "/e16colour.py", home.path() + "/e16colour.py");
  engine->colour(1, 40);
  awaitNote();
  EXPECT_EQ(
      lastTrace(),
      "knob 2 on page 1 of set is now colour 40 (it was 5): send the scene to the E16 from the OXI App");
}

}  // namespace
