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

// A change that changed nothing is not recorded, and keeps the way forward.
TEST(History, RecordsOnlyRealChangesKeepsTheLastHundredAndANewChangeClearsRedo) {
  RowHistory<Row> history;
  for (int i = 1; i <= 101; ++i)
    history.record({{1, i - 1}}, {{1, i}}, "set " + std::to_string(i));
  EXPECT_EQ(std::pair(history.undoStack.size(), history.undoStack.front().what),
            std::pair(100ul, std::string("set 2")));
  Rows rows = {{1, 101}};
  EXPECT_EQ(history.undo(rows), "set 101");
  EXPECT_EQ(rows, (Rows{{1, 100}}));
  EXPECT_EQ(history.redo(rows), "set 101");
  EXPECT_EQ(history.redo(rows), std::nullopt);  // nothing more to redo
  EXPECT_EQ(rows, (Rows{{1, 101}}));
  history.undo(rows);
  history.record(rows, rows, "nothing");
  EXPECT_EQ(std::pair(history.undoStack.size(), history.redoStack.size()), std::pair(99ul, 1ul));
  history.record(rows, {{1, 7}}, "seven");
  EXPECT_TRUE(history.redoStack.empty());
}

TEST(History, TicksFollowTheTable) {
  RowHistory<Row> history;
  Rows rows = {{1, 0}, {2, 0}, {3, 0}};
  for (const int id : {3, 1, 9})
    history.tick(id, rows);  // 9 is not in the table
  EXPECT_EQ(history.ticked(rows), (std::vector<std::int64_t>{1, 3}));
  history.record(rows, {{2, 0}}, "rows 1, 3 deleted");
  EXPECT_TRUE(history.ticks.empty());
  history.all(rows);
  EXPECT_EQ(history.ticks.size(), 3u);
  history.all(rows);  // everything was ticked: nothing is
  EXPECT_TRUE(history.ticks.empty());
}

}  // namespace
