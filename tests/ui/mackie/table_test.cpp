// The table band: its bar (UNDO, REDO, the last change, tick-all, DELETE, + A ROW), the hint of an empty
// table, row views kept across redraws, and the keyboard's way through the section. The
// fields of both modules' rows keep what is being typed the same way; that is checked here once.

#include "section_fixture.h"
#include "ui/mackie/lamp.h"
#include "ui/mackie/tick.h"
#include "ui/mackie/word.h"

namespace {

using nlohmann::json;

std::size_t rowsShown(const MKSection& section) {
  return section.table()->rowViews().size();
}

TEST_F(SectionTest, TheBarAddsTicksDeletesAndUndoesWithTheEngine) {
  open({});
  auto* undo = band<MKWord>("undo");
  auto* redo = band<MKWord>("redo");
  auto* del = band<MKWord>("delete");
  // UNDO and REDO as the user sees them: their tips, "(off)" while there is nothing to take.
  const auto history = [&] {
    const auto shown = [&](MKWord* w) { return (w->isEnabled() ? "" : "(off) ") + tip(w); };
    return shown(undo) + " | " + shown(redo);
  };
  EXPECT_EQ(text(band("empty")),
            "No rows yet. Press + A ROW, then LEARN and turn the knob, then pick the MK command.");
  EXPECT_EQ(history(), "(off) nothing to undo | (off) nothing to redo");
  click(band("add"));
  click(band("add"));
  EXPECT_EQ(rowsShown(*section), 2u);
  EXPECT_FALSE(band("empty")->isVisible());
  EXPECT_EQ(text(band("lastChange")), "last change: row 2 added");
  EXPECT_EQ(history(), "undo: row 2 added | (off) nothing to redo");

  click(band("tickAll"));
  EXPECT_EQ(seen(del), "DELETE 2 lit");
  click(inRow(0, "tick"));
  EXPECT_EQ(seen(band("tickAll")) + seen(inRow(0, "tick")) + "|" + seen(inRow(1, "tick")), "|lit");
  EXPECT_EQ(seen(del), "DELETE 1 lit");

  click(del);
  ASSERT_EQ(rowsShown(*section), 1u);
  EXPECT_EQ(engine->rows[0].id, 1);
  EXPECT_EQ(seen(del), "DELETE");

  click(undo);
  EXPECT_EQ(rowsShown(*section), 2u);
  EXPECT_EQ(history(), "undo: row 2 added | redo: row 2 deleted");
  click(redo);
  EXPECT_EQ(engine->rows.size(), 1u);
}

TEST_F(SectionTest, AFaderSweepKeepsEveryViewAndTheTextBeingTyped) {
  std::vector<json> rows;
  for (int i = 1; i <= 12; ++i)
    rows.push_back(row(i, "fader1", i));
  open(rows);
  const auto views = section->table()->rowViews();
  auto* number = inRow<QLineEdit>(4, "number");  // row 5, on CC 5
  number->setFocus();
  number->selectAll();
  QTest::keyClicks(number, "9");  // typed, not handed over yet
  for (int v = 0; v < 128; v += 4) {
    cc(5, v);
    loop.advance(0.05);
  }
  EXPECT_EQ(inRow<MKLamp>(4, "lamp")->lit(), "fire");
  EXPECT_EQ(section->table()->rowViews(), views);
  EXPECT_EQ(QApplication::focusWidget(), number);
  EXPECT_EQ(text(number), "9");
  QTest::keyClick(number, Qt::Key_Escape);  // thought better of: the engine's number again
  EXPECT_EQ(text(number), "5");
  number->selectAll();
  QTest::keyClicks(number, "9");

  // Growing the table adds a view and keeps the others.
  click(band("add"));
  ASSERT_EQ(rowsShown(*section), 13u);
  EXPECT_TRUE(std::equal(views.begin(), views.end(), section->table()->rowViews().begin()));
  EXPECT_EQ(engine->rows[4].number, 9);  // the click took the keyboard, and the field handed its text over
}

// Tab walks every control of the section in order, rows included, however late they came, and each says
// what it is.
TEST_F(SectionTest, TabReachesEveryControlWithItsName) {
  open({row(1, "play", 21, {{"value", 127}})});
  click(band("add"));  // a row made after the section was built: its controls still come before the trace
  QWidget* first = band("power");
  first->setFocus();
  std::vector<std::string> names;
  for (QWidget* at = first; names.size() < 60;) {
    // A button's name is its text unless it was given one; a choice's accessible name is its current text.
    names.push_back(
        (at->accessibleName().isEmpty() ? qobject_cast<QAbstractButton*>(at)->text() : at->accessibleName())
            .toStdString());
    QTest::keyClick(at, Qt::Key_Tab);
    at = QApplication::focusWidget();
    if (at == first) break;
  }
  std::vector<std::string> expected = {"the switch: SENDING or PAUSED", "UNLOCK", "the bus towards Live",
                                       "lights from", "THE COMMAND BLOB", "PUT IT BACK AT THE TOP",
                                       "the blob stays, in seconds", "tick every row", "UNDO",
                                       // REDO has nothing to redo: it is skipped while disabled.
                                       "DELETE", "+ A ROW"};
  // A button row with a value; then a jog wheel, whose value is its whole sweep and cannot be typed, but
  // which can be inverted.
  const auto controlsOf = [&](const std::string& name, const std::string& without) {
    for (const std::string control : {"tick", "ON", "source kind", "number", "value", "LEARN", "command",
                                      "how", "INVERT", "LED", "E16 colour", "TRY"})
      if (control != without) expected.push_back(name + " " + control);
  };
  controlsOf("row 1", "INVERT");
  controlsOf("row 2", "value");
  expected.insert(expected.end(), {"CLEAR", "what it did"});
  EXPECT_EQ(names, expected);
}

}  // namespace
