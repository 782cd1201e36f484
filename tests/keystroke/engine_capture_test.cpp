// Capturing a row's key: the chord taken, the fn rule, Escape, keys without a name, the time-out, and what
// ends a capture.
#include "engine_fixture.h"
#include "keystroke/keys.h"

namespace {

using nlohmann::json;

class CaptureTest : public KSEngineTest {
 protected:
  void SetUp() override { startWith({keyRow(2, 7, "a"), {{"id", 3}, {"cc", 8}, {"kind", "volume"}}}); }
  void press(std::uint16_t code, std::uint64_t flags) {
    keyCapture.press(code, flags);
    loop.runDue();
  }
};

TEST_F(CaptureTest, TheNextKeyAndItsModifiersBecomeTheRowsChord) {
  engine->capture(2);
  EXPECT_EQ(engine->capId, 2);
  press(1, FLAG_COMMAND | FLAG_SHIFT);
  EXPECT_EQ(engine->row(2)->key, "s");
  EXPECT_EQ(engine->row(2)->mods, (std::vector<std::string>{"cmd", "shift"}));
  EXPECT_EQ(lastTrace(), "row 2 took the key ⌘⇧S");
  EXPECT_EQ(engine->keep.undoStack.back().what, "row 2: key ⌘⇧S");
  EXPECT_FALSE(engine->capId);
  EXPECT_FALSE(keyCapture.active);
  EXPECT_EQ(savedFile()["rows"][0]["key"], "s");
}

TEST_F(CaptureTest, FnCountsOnlyOutsideTheKeysThatCarryItByThemselves) {
  engine->capture(2);
  press(96, FLAG_SECONDARY_FN);  // F5
  EXPECT_EQ(engine->row(2)->key, "f5");
  EXPECT_TRUE(engine->row(2)->mods.empty());
  engine->capture(2);
  press(0, FLAG_SECONDARY_FN);
  EXPECT_EQ(engine->row(2)->mods, std::vector<std::string>{"fn"});
}

TEST_F(CaptureTest, EscapeAndNamelessKeysLeaveTheRowAsItWas) {
  engine->capture(2);
  press(53, FLAG_COMMAND);
  EXPECT_EQ(lastTrace(), "the key was left as it was");
  engine->capture(2);
  press(10, 0);
  EXPECT_EQ(lastTrace(), "that key has no name I know");
  EXPECT_EQ(engine->row(2)->key, "a");
  EXPECT_TRUE(engine->keep.undoStack.empty());
}

TEST_F(CaptureTest, NothingPressedWithin15SecondsEndsIt) {
  engine->capture(2);
  loop.advance(14.9);
  EXPECT_EQ(engine->capId, 2);
  loop.advance(0.2);
  EXPECT_FALSE(engine->capId);
  EXPECT_EQ(lastTrace(), "nothing was pressed: the key was left as it was");
}

TEST_F(CaptureTest, AVolumeRowBecomesAKeyRow) {
  engine->capture(3);
  press(49, 0);
  EXPECT_EQ(engine->row(3)->kind, "key");
  EXPECT_EQ(engine->row(3)->key, "space");
}

TEST_F(CaptureTest, PressingTheCellAgainEndsItSilentlyAndARefusalIsSaid) {
  engine->capture(2);
  const auto lines = engine->trace.lines().size();
  engine->capture(2);
  EXPECT_FALSE(engine->capId);
  EXPECT_EQ(engine->trace.lines().size(), lines);
  keyCapture.refuse = true;
  engine->capture(2);
  EXPECT_FALSE(engine->capId);
  EXPECT_EQ(lastTrace(), "the key cannot be captured: allow Accessibility for Orvane VUDA Verer");
}

TEST_F(CaptureTest, DetectLearnDeletingAndUndoingEndIt) {
  const std::vector<std::function<void()>> enders = {
      [&] { engine->toggleDetect(); },
      [&] { engine->learn(3); },
      [&] {
        engine->keep.tick(2, engine->rows);
        engine->deleteTicked();
      },
  };
  for (const auto& end : enders) {
    engine->capture(2);
    end();
    EXPECT_FALSE(engine->capId);
    EXPECT_FALSE(keyCapture.active);
    engine->detect = false;
    engine->learnId.reset();
  }
  engine->add();  // row 4 comes back with undo as well; capture it, then undo its adding
  engine->capture(4);
  engine->undoRedo(true);
  EXPECT_FALSE(engine->capId);
}

TEST_F(CaptureTest, RowsDoNotFireWhileCapturing) {
  engine->capture(3);
  cc(7, 1);
  EXPECT_TRUE(keys.keys.empty());
  loop.advance(0.08);
  EXPECT_EQ(engine->lit.at(2), "heard");
}

}  // namespace
