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
  loop.runDue();
  EXPECT_EQ(std::tuple(view().on, view().device), std::tuple(true, ""));  // JSON types
  ASSERT_EQ(view().rows.size(), 1u);
  engine->add();
  const auto saved = savedFile();
  EXPECT_EQ(std::tuple(saved["theme"], saved["blob"], saved["rows"].size()), std::tuple("dark", false, 2u));
  // clang-format off
  EXPECT_EQ(saved["rows"][1], (json{{"id", 2}, {"cc", 1}, {"type", "cc"}, {"kind", "key"}, {"on", true}, {"note", ""},
                                    {"mods", json::array()}}));
  // clang-format on
  EXPECT_EQ(engine->history().undoStack.back().what, "row 2 added");
}

TEST_F(KSEngineTest, WithoutAFileTheFirstSaveMakesTheFolderAndABrokenFileIsKeptAsideFirst) {
  start();
  engine->togglePower();
  EXPECT_EQ(savedFile(), (json{{"on", false}, {"device", ""}, {"rows", json::array()}}));

  engine->stop();
  home.write(".config/midi-to-keystroke.json", "{\"rows\": [ oops");
  start();
  engine->add();
  EXPECT_EQ(home.read(".config/midi-to-keystroke.json.broken"), "{\"rows\": [ oops");
  EXPECT_EQ(
      traced()[0],
      "the settings file did not read as JSON: it is kept as midi-to-keystroke.json.broken, and a fresh "
      "one is written");
}

// The hundred-step bound and redo forgotten on a new edit are the shared history's own.
TEST_F(KSEngineTest, EditsAreNamedAndRecordedAndUndoAndRedoSayWhatTheyDid) {
  startWith({keyRow(4, 7, "s", {{"mods", {"cmd"}}}), {{"id", 5}, {"cc", 8}, {"kind", "volume"}}});
  engine->set(4, "number", json(21));
  engine->set(4, "type", json("note"));
  engine->set(4, "key", json(""));
  EXPECT_EQ(std::pair(engine->row(4)->key, engine->row(4)->mods.empty()),
            std::pair(std::optional<std::string>(), true));
  Lines labels;
  for (const auto& step : engine->history().undoStack)
    labels.push_back(step.what);
  EXPECT_EQ(labels, (Lines{"row 4: number 21", "row 4: filter note", "row 4: key forgotten"}));
  engine->set(5, "value", json(64));  // a volume row keeps no value: nothing changes, nothing is recorded
  EXPECT_EQ(engine->history().undoStack.size(), 3u);
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
TEST_F(KSEngineTest, TickingIsAnnouncedDeletingTickedRowsLogsEachAndUndoLeavesNoTickBehind) {
  startWith({keyRow(3, 7, "s", {{"mods", {"cmd"}}}), keyRow(5, 8, "b"), keyRow(6, 9, "c")});
  int told = 0;
  engine->subscribe([&] { ++told; });
  const auto ticked = [&] {
    loop.runDue();
    return engine->history().ticked(view().rows);
  };
  engine->tickAll();
  EXPECT_EQ(ticked(), (std::vector<std::int64_t>{3, 5, 6}));
  engine->tick(6);
  EXPECT_EQ(std::pair(ticked(), told), std::pair(std::vector<std::int64_t>{3, 5}, 2));
  engine->learn(5);
  engine->deleteTicked();
  EXPECT_EQ(engine->history().undoStack.back().what, "rows 3, 5 deleted");
  EXPECT_EQ(traced()[traced().size() - 2],
            "row 3 removed  (CC 7 = any → " + KSRules::chord({"cmd"}, "s") + ")");
  EXPECT_EQ(std::pair(view().learnId, view().rows.size()), std::pair(std::optional<std::int64_t>(), 1ul));
  engine->undo();
  EXPECT_EQ(std::pair(view().rows.size(), engine->history().ticks.empty()), std::pair(3ul, true));
  // A capture starting, the switch and a new trace line are each told too; unlocking forgets the saved
  // device.
  loop.runDue();
  int before = told;
  for (const auto& step : std::initializer_list<std::function<void()>>{
           [&] { engine->capture(6); }, [&] { engine->togglePower(); }, [&] { engine->unlock(); }}) {
    step();
    loop.runDue();
    EXPECT_EQ(told, ++before);
  }
  EXPECT_EQ(savedFile()["device"], "");
}

}  // namespace
