// The undo and redo history and the ticks, for any row type with an id.
#include "common/history.h"

#include <gtest/gtest.h>

namespace {

struct Row {
  std::int64_t id;
  int value;
  bool operator==(const Row&) const = default;
};
using Rows = std::vector<Row>;

TEST(History, RecordsOnlyRealChangesKeepsTheLastHundredAndANewChangeClearsRedo) {
  RowHistory<Row> history;
  Rows rows = {{1, 0}};
  history.record(rows, rows, "nothing");
  EXPECT_TRUE(history.undoStack.empty());
  for (int i = 1; i <= 101; ++i)
    history.record({{1, i - 1}}, {{1, i}}, "set " + std::to_string(i));
  ASSERT_EQ(history.undoStack.size(), 100u);
  EXPECT_EQ(history.undoStack.front().what, "set 2");
  rows = {{1, 101}};
  EXPECT_EQ(history.undo(rows), "set 101");
  EXPECT_EQ(rows, (Rows{{1, 100}}));
  EXPECT_EQ(history.redo(rows), "set 101");
  EXPECT_EQ(rows, (Rows{{1, 101}}));
  EXPECT_EQ(history.redo(rows), std::nullopt);
  history.undo(rows);
  history.record(rows, rows, "nothing");  // a change that changed nothing keeps the way forward
  EXPECT_EQ(history.redoStack.size(), 1u);
  history.record(rows, {{1, 7}}, "seven");
  EXPECT_TRUE(history.redoStack.empty());
}

TEST(History, TicksFollowTheTable) {
  RowHistory<Row> history;
  Rows rows = {{1, 0}, {2, 0}, {3, 0}};
  for (const int id : {3, 1, 9})  // 9 is not in the table
    history.tick(id, rows);
  EXPECT_EQ(history.ticked(rows), (std::vector<std::int64_t>{1, 3}));
  history.tick(1, rows);
  EXPECT_EQ(history.ticked(rows), std::vector<std::int64_t>{3});
  history.record(rows, {{1, 0}, {2, 0}}, "row 3 deleted");
  EXPECT_TRUE(history.ticks.empty());
  history.all(rows);
  EXPECT_EQ(history.ticks.size(), 3u);
  history.all(rows);  // everything was ticked: nothing is
  EXPECT_TRUE(history.ticks.empty());
  history.all({});
  EXPECT_TRUE(history.ticks.empty());
}

}  // namespace
