// The table band: the empty hint and + A ROW, the history bar's texts and tips in each state, ticking and
// DELETE with its counts, and lines kept for as long as their rows.
#include "section_fixture.h"

namespace {

using nlohmann::json;

TEST_F(KSSectionTest, AnEmptyTableShowsTheHintAndHelpAddMakesALineAndUndoRedoNameTheirStep) {
  openWith({});
  // UNDO and REDO as the user sees them: their tips, "(off)" while there is nothing to take.
  const auto history = [&] {
    const auto shown = [](KSPill* p) {
      return (p->isEnabled() ? "" : "(off) ") + p->toolTip().toStdString();
    };
    return shown(find<KSPill>("undo")) + " | " + shown(find<KSPill>("redo"));
  };
  EXPECT_EQ(
      text("help"),
      "FILTER is CC (a knob) or NOTE (a key or pad): LEARN takes only that kind. For a note, VALUE is the "
      "velocity. Press the KEY cell, then the key.");
  EXPECT_EQ(
      text("empty"),
      "No rows yet. Press + A ROW, then LEARN to catch the knob or the key, then the KEY cell and the key "
      "you want.");
  EXPECT_FALSE(find<KSTick>("all")->isEnabled());
  EXPECT_EQ(history(), "(off) nothing to undo | (off) nothing to redo");
  click(find<KSPill>("add"));
  EXPECT_FALSE(find<QLabel>("empty")->isVisibleTo(section.get()));
  EXPECT_EQ(pillText(1, "learn") + in<KSField>(1, "number")->text() + pillText(1, "key"), "LEARN1—");
  EXPECT_EQ(history(), "row 1 added | (off) nothing to redo");
  EXPECT_EQ(text("last"), "last change: row 1 added");
  click(find<KSPill>("undo"));
  EXPECT_TRUE(engine->rows.empty());
  EXPECT_EQ(history(), "(off) nothing to undo | redo: row 1 added");
  click(find<KSPill>("redo"));
  EXPECT_EQ(engine->rows.size(), 1u);
}

TEST_F(KSSectionTest, DeleteCountsTheTickedRowsAndDoesNothingWithNone) {
  openWith({keyRow(1, 7, "a"), keyRow(2, 8, "b"), keyRow(3, 9, "c")});
  auto* doom = find<KSPill>("delete");
  auto* all = find<KSTick>("all");
  EXPECT_EQ(all->toolTip(), "tick every row, or none");
  EXPECT_EQ(in<KSTick>(2, "tick")->toolTip(), "tick, then DELETE above the table");
  EXPECT_EQ(seen(doom), "DELETE (ghost)");
  EXPECT_EQ(doom->toolTip(), "tick rows in the last column first");
  click(doom);
  EXPECT_EQ(engine->rows.size(), 3u);
  click(in<KSTick>(2, "tick"));
  EXPECT_EQ(engine->keep.ticked(engine->rows), std::vector<std::int64_t>{2});
  EXPECT_FALSE(all->isChecked());
  EXPECT_EQ(seen(doom), "DELETE 1 ROW (danger)");
  EXPECT_EQ(doom->toolTip(), "delete the ticked rows (UNDO brings them back)");
  click(all);
  EXPECT_TRUE(all->isChecked());
  EXPECT_EQ(seen(doom), "DELETE 3 ROWS (danger)");
  click(all);
  click(in<KSTick>(1, "tick"));
  click(doom);
  ASSERT_EQ(engine->rows.size(), 2u);
}

// A line is made for a new row and dropped with its row; every other line stays the same widget, in table
// order, however the table changes around it.
TEST_F(KSSectionTest, LinesLiveAsLongAsTheirRowsAndFollowTheTableOrder) {
  openWith({keyRow(1, 7, "a"), keyRow(2, 8, "b"), keyRow(3, 9, "c")});
  auto* first = line(1);
  auto* third = line(3);
  engine->set(1, "number", json(20));
  engine->tickRow(2);
  engine->deleteTicked();
  settle();
  EXPECT_EQ(section->findChildren<KSRowView*>().size(), 2);  // the deleted line is gone at the next turn
  engine->undoRedo(true);
  settle();
  ASSERT_EQ(section->findChildren<KSRowView*>().size(), 3);
  EXPECT_EQ(line(1), first);
  EXPECT_EQ(line(3), third);
  EXPECT_LT(first->y(), line(2)->y());
  EXPECT_LT(line(2)->y(), third->y());
}

}  // namespace
