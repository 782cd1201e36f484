// The Key Stroke settings file and table edits: leniencies, what a save keeps, labels, the history and ticks.
#include "common/json_file.h"
#include "engine_fixture.h"
#include "keystroke/rules.h"

namespace {

using nlohmann::json;

// Nothing is saved before the file was read: a switch pressed that early leaves the file as it was.
TEST_F(KSEngineTest, TheFileIsReadLenientlyAndASaveKeepsOtherKeys) {
  // clang-format off
  home.write(".config/midi-to-keystroke.json",
             json{{"on", "false"}, {"device", 3}, {"theme", "dark"}, {"blob", false},
                  {"rows", {keyRow(1, 7, "a"), {{"id", 2}, {"cc", 300}}, "junk"}}}.dump());
  // clang-format on
  make();
  engine->togglePower();
  EXPECT_EQ(traced(), Lines{NOT_READ_YET});
  engine->start();
  engine->add();
  // Values of the wrong JSON type read as the defaults; only the good row is kept, and the new one is row 2.
  const auto saved = savedFile();
  EXPECT_EQ(std::tuple(saved["on"], saved["device"], saved["theme"], saved["blob"], saved["rows"].size()),
            std::tuple(true, "", "dark", false, 2u));
  EXPECT_EQ(std::tuple(saved["rows"][1]["cc"], engine->history().undoStack.back().what),
            std::tuple(1, "row 2 added"));
}

// Keeping the file aside is the shared saves' own (the MK engine's tests check the kept file); here, that
// this engine tells them the file did not read.
TEST_F(KSEngineTest, AFileThatDoesNotReadIsKeptAsideAtTheFirstSave) {
  home.write(".config/midi-to-keystroke.json", "{\"rows\": [ oops");
  start();
  engine->add();
  EXPECT_EQ(traced(),
            Lines{"the settings file did not read as JSON: it is kept as midi-to-keystroke.json.broken, "
                  "and a fresh one is written"});
}

// The hundred-step bound and redo forgotten on a new edit are the shared history's own.
TEST_F(KSEngineTest, EditsAreNamedAndRecordedAndUndoAndRedoSayWhatTheyDid) {
  startWith({keyRow(4, 7, "s", {{"mods", {"cmd"}}})});
  engine->set(4, "number", json(21));
  engine->set(4, "type", json("note"));
  engine->set(4, "key", json(""));
  EXPECT_EQ(std::pair(engine->row(4)->key, engine->row(4)->mods.empty()),
            std::pair(std::optional<std::string>(), true));
  Lines labels;
  for (const auto& step : engine->history().undoStack)
    labels.push_back(step.what);
  EXPECT_EQ(labels, (Lines{"row 4: number 21", "row 4: filter note", "row 4: key forgotten"}));
  engine->set(4, "number", json(300));
  EXPECT_EQ(lastTrace(), "that row was refused: the MIDI number must be from 0 to 127");
  engine->undo();
  EXPECT_EQ(std::pair(engine->row(4)->key, lastTrace()),
            std::pair(std::optional<std::string>("s"), std::string("UNDO: row 4: key forgotten")));
  engine->redo();
  EXPECT_EQ(std::pair(lastTrace(), savedFile()["rows"][0].contains("key")),
            std::pair(std::string("REDO: row 4: key forgotten"), false));
}

// The ticks and the trace belong to plain objects that tell nobody; the engine's operations on them must.
TEST_F(KSEngineTest, TickingCapturingTheSwitchAndUnlockingAreAnnouncedAndDeletingTickedRowsLogsEach) {
  startWith({keyRow(3, 7, "s", {{"mods", {"cmd"}}}), keyRow(5, 8, "b"), keyRow(6, 9, "c")});
  int told = 0;
  engine->subscribe([&] { ++told; });
  int before = 0;
  for (const auto& step : std::initializer_list<std::function<void()>>{
           [&] { engine->tickAll(); }, [&] { engine->tick(6); }, [&] { engine->capture(6); },
           [&] { engine->togglePower(); }, [&] { engine->unlock(); }}) {
    step();
    loop.runDue();
    EXPECT_EQ(told, ++before);
  }
  // Unlocking forgets the saved device.
  EXPECT_EQ(std::pair(engine->history().ticked(view().rows), savedFile()["device"]),
            std::pair(std::vector<std::int64_t>{3, 5}, json("")));
  engine->learn(5);
  engine->deleteTicked();
  EXPECT_EQ(engine->history().undoStack.back().what, "rows 3, 5 deleted");
  EXPECT_EQ(traced()[traced().size() - 2],
            "row 3 removed  (CC 7 = any → " + KSRules::chord({"cmd"}, "s") + ")");
  EXPECT_EQ(std::pair(view().learnId, view().rows.size()), std::pair(std::optional<std::int64_t>(), 1ul));
}

}  // namespace
