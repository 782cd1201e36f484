// Capturing a row's key: the chord taken, the fn rule, Escape, keys without a name, the time-out, and what
// ends a capture.
#include "engine_fixture.h"
#include "keystroke/keys.h"
#include "keystroke/rules.h"

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

// The next key and its modifiers become the row's chord, saved and recorded. The system sets fn by itself on
// the function, arrow and navigation keys: only elsewhere is it the user's.
TEST_F(CaptureTest, EachPressEitherGivesTheRowItsChordOrLeavesItAsItWas) {
  // The row, the key pressed with its flags, the row's key and modifiers after it, and the line said when the
  // key was left as it was (a key taken is said with its chord). Left as it was, the last step recorded is
  // still the previous capture's.
  // clang-format off
  const std::tuple<std::int64_t, std::uint16_t, std::uint64_t, const char*, Lines, std::string> cases[] = {
      {2, 1, FLAG_COMMAND | FLAG_SHIFT, "s", {"cmd", "shift"}, ""},
      {2, 96, FLAG_SECONDARY_FN, "f5", {}, ""},
      {2, 0, FLAG_SECONDARY_FN, "a", {"fn"}, ""},
      {2, 53, FLAG_COMMAND, "a", {"fn"}, "the key was left as it was"},  // Escape
      {2, 10, 0, "a", {"fn"}, "that key has no name I know"},
      {3, 49, 0, "space", {}, ""},  // a volume row becomes a key row
  };
  // clang-format on
  for (const auto& [id, code, flags, key, mods, refused] : cases) {
    SCOPED_TRACE(code);
    engine->capture(id);
    press(code, flags);
    const auto row = *engine->row(id);
    // A wrong row stops here: the step read next may not be there.
    ASSERT_EQ(std::tuple(row.key, row.mods, row.kind, savedFile()["rows"][id - 2]["key"]),
              std::tuple(key, mods, "key", key));
    const std::string r = "row " + std::to_string(id), chord = KSRules::chord(mods, key);
    EXPECT_EQ(std::pair(lastTrace(), engine->history().undoStack.back().what),
              std::pair(refused.empty() ? r + " took the key " + chord : refused, r + ": key " + chord));
    EXPECT_FALSE(view().capId || keyCapture.active);
  }
}

TEST_F(CaptureTest, RowsDoNotFireWhileCapturingAndNothingPressedWithin15SecondsPressingAgainOrRefusalsEndIt) {
  engine->capture(2);
  cc(7, 1);
  EXPECT_TRUE(keys.keys.empty());
  loop.advance(14.9);
  EXPECT_EQ(view().capId, 2);
  loop.advance(0.2);
  EXPECT_FALSE(view().capId);
  EXPECT_EQ(lastTrace(), "nothing was pressed: the key was left as it was");
  // Pressing the cell again ends it without a word.
  engine->capture(2);
  const auto lines = view().trace.lines().size();
  engine->capture(2);
  EXPECT_EQ(std::pair(view().capId.has_value(), view().trace.lines().size()), std::pair(false, lines));
  keyCapture.refuse = true;
  engine->capture(2);
  EXPECT_EQ(lastTrace(), "the key cannot be captured: allow Accessibility for Orvane VUDA Verer");
  keyCapture.why = KeyCapture::Refusal::keyboardHeld;
  engine->capture(2);
  EXPECT_FALSE(view().capId);
  EXPECT_EQ(lastTrace(), "the key cannot be captured: another program holds the keyboard");
  keyCapture.refuse = false;
  engine->add();  // row 4, which an undo takes away again
  engine->tick(2);
  const std::vector<std::pair<std::int64_t, std::function<void()>>> enders = {
      {4, [&] { engine->undo(); }},
      {2, [&] { engine->toggleDetect(); }},
      {2, [&] { engine->learn(3); }},
      {2, [&] { engine->deleteTicked(); }}};
  for (const auto& [id, end] : enders) {
    engine->capture(id);
    end();
    EXPECT_FALSE(view().capId || keyCapture.active) << id;
  }
}

}  // namespace
