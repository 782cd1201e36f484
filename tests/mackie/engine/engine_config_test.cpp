// The MK engine's settings file and table edits: defaults, bad files, the history, and the blob's settings.
#include "common/json_file.h"
#include "engine_fixture.h"
#include "mackie/core/blob_geometry.h"
#include "mackie/core/rules.h"

using nlohmann::json;

TEST_F(EngineTest, WithoutAFileItStartsWithDefaultsAndOddValuesAreRepairedButUnknownKeysSurvive) {
  start();
  EXPECT_EQ(std::tuple(engine->blobHold(), engine->blobSize()), std::tuple(1.0, 22.0));
  engine->add();
  auto defaults = json::parse(R"({"on": true, "device": "", "out": "", "back": "", "blob": true})");
  defaults["rows"] = json::array({MKRules::blank({}).dict()});
  EXPECT_EQ(savedFile(), defaults);
  engine->stop();
  startWith({row(1, "play", 1), {{"id", 2}, {"command", "nosuch"}}, "junk"},
            {{"blobHold", 0}, {"blobSize", -3}, {"theme", "dark"}, {"device", 7}, {"on", "yes"}});
  EXPECT_EQ(std::tuple(view().rows.size(), engine->power(), engine->device()), std::tuple(1u, true, ""));
  engine->add();
  const auto saved = savedFile();
  EXPECT_EQ(std::tuple(saved["theme"], saved["blobHold"], saved["blobSize"], saved["rows"].size()),
            std::tuple("dark", 1.4, 22, 2u));
}

// What reads as a file and what does not is readJsonObject's (JsonFile tests); here, the engine's use of it.
TEST_F(EngineTest, NothingIsSavedBeforeTheFileWasReadAndOneThatDoesNotReadIsKeptAsideBeforeTheFirstSave) {
  home.write(".config/midi-to-mk.json", R"({"rows": [{"id": 1, "command": "play", "number": 1}]})");
  make();
  engine->setOut("IAC Driver Bus 1");
  EXPECT_EQ(traced().front(), NOT_READ_YET);
  engine->start();
  EXPECT_EQ(view().rows.size(), 1u);
  engine->stop();
  for (const auto& [text, broken] :
       {std::pair<std::string, bool>{R"({"rows": "none", "on": false})", false}, {"{\"rows\": [", true}}) {
    home.write(".config/midi-to-mk.json", text);
    engine->clearTrace();
    start();
    // A broken file leaves the defaults.
    EXPECT_EQ(std::tuple(view().rows.size(), engine->power()), std::tuple(0u, broken));
    engine->add();
    // The trace has the start line, and what was kept.
    EXPECT_EQ(
        std::tuple(home.read(".config/midi-to-mk.json.broken"), savedFile()["rows"].size(), traced().size()),
        std::tuple(broken ? text : "", 1u, broken ? 2u : 1u));
    engine->stop();
  }
}

// The hundred-step bound, redo forgotten on a new edit and nothing recorded for an edit that changed nothing
// are the shared history's own.
TEST_F(EngineTest, EditsGoThroughTheRulesUndoAndRedoSayWhatTheyDidAndDeletingCancelsLearning) {
  startWith({row(1, "play", 1), row(1, "play", 9), row(2, "jog", 21), row(3, "play", 7)});
  engine->set(1, "number", json("300"));
  EXPECT_EQ(lastTrace(), "that row was refused: the MIDI number must be from 0 to 127");
  EXPECT_TRUE(engine->history().undoStack.empty());
  engine->set(1, "from", json("note"));
  EXPECT_EQ(std::tuple(savedFile()["rows"][0]["from"], view().rows[1].from),
            std::tuple("note", "cc"));  // the first
  EXPECT_EQ(engine->history().undoStack.back().what, "row 1: filter note");
  engine->set(1, "command", json("jog"));
  engine->set(1, "invert", json(false));
  engine->set(1, "command", json("jog"));  // the same command keeps its how and invert
  EXPECT_EQ(view().rows[0].invert, false);
  engine->undo();
  EXPECT_EQ(std::tuple(view().rows[0].invert, lastTrace()),
            std::tuple(std::optional(true), "UNDO: row 1: invert false"));
  engine->redo();
  EXPECT_EQ(std::tuple(view().rows[0].invert, lastTrace()),
            std::tuple(std::optional(false), "REDO: row 1: invert false"));
  engine->learn(3);
  engine->tick(2);
  engine->tick(3);
  engine->deleteTicked();
  EXPECT_EQ(
      std::tuple(view().rows.size(), engine->history().undoStack.back().what, view().learnId.has_value()),
      std::tuple(2u, "rows 2, 3 deleted", false));
  const auto lines = traced();
  EXPECT_EQ(std::vector(lines.end() - 2, lines.end()),
            (std::vector<std::string>{"row 2 removed  (CC 21 = 0-127 → JOG WHEEL — the playback position)",
                                      "row 3 removed  (CC 7 = any → PLAY)"}));
  engine->undo();  // brings the rows back, not the learning nor the ticks
  EXPECT_EQ(std::tuple(view().rows.size(), view().learnId.has_value(), engine->history().ticks.size()),
            std::tuple(4u, false, 0u));
}

TEST_F(EngineTest, TheBlobShowsAFiredRowAndItsSettingsAreSavedAndSaid) {
  withBlob = true;
  startWith({row(1, "play", 1)});
  cc(1, 127);
  ASSERT_TRUE(blobWindow);
  EXPECT_EQ(std::tuple(blobWindow->texts.back().first, blobWindow->shown),
            std::tuple("CC 1  ||  PLAY", true));
  loop.advance(1.01);
  EXPECT_FALSE(blobWindow->shown);
  engine->setBlobHold(0);
  EXPECT_EQ(lastTrace(), "the command blob stays for 0.3 s");
  engine->setBlobHold(1.45);
  EXPECT_EQ(lastTrace(), "the command blob stays for 1.4 s");
  cc(1, 127);  // a moved place is stored in whole points
  blobWindow->press({10, 10}, {500.5, 500.5});
  blobWindow->dragTo({600.75, 450.25});
  blobWindow->release();
  EXPECT_EQ(savedFile()["blobPos"]["x"], json(static_cast<int>(blobWindow->current.x)));
  // A drag on the grip sizes the text, which is stored; a drag after the release does nothing.
  const double size = MKBlobGeometry::resized(blobWindow->current, {0, blobWindow->current.y - 60});
  blobWindow->press({blobWindow->current.width - 10, 10}, {0, blobWindow->current.y});
  blobWindow->dragTo({0, blobWindow->current.y - 60});
  blobWindow->release();
  blobWindow->dragTo({0, 0});
  EXPECT_EQ(std::tuple(savedFile()["blobSize"], blobWindow->texts.back().second),
            std::tuple(static_cast<int>(size), size));
  cc(1, 127);  // the cross switches the blob off until it is turned back on
  blobWindow->press({blobWindow->current.width - 5, blobWindow->current.height - 5}, {0, 0});
  EXPECT_EQ(std::tuple(engine->blobOn(), savedFile()["blob"], blobWindow->shown),
            std::tuple(false, false, false));
  cc(1, 127);
  EXPECT_FALSE(blobWindow->shown);
  engine->toggleBlob();
  EXPECT_EQ(std::tuple(blobWindow->texts.back().first, lastTrace(), savedFile()["blob"]),
            std::tuple("the toast  ||  PLAY / STOP", "the command blob is on", true));
  engine->toggleBlob();
  EXPECT_EQ(lastTrace(), "the command blob is off");
  engine->blobHome();  // on again, at home
  EXPECT_EQ(std::tuple(savedFile().contains("blobPos"), savedFile()["blob"], lastTrace()),
            std::tuple(false, true, "the command blob went back to the top of Live's screen"));
  // Not a boolean: it counts as on, so a toggle turns it off.
  home.write(".config/midi-to-mk.json", R"({"blob": "yes"})");
  engine->load();
  engine->toggleBlob();
  EXPECT_EQ(savedFile()["blob"], false);
}
