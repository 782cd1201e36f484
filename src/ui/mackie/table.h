// The table band: UNDO and REDO with the last change, the tick that ticks every row, DELETE with the number
// of ticked rows, + A ROW, and one row view per row, or the hint of how to begin when there is none. Views
// are kept from one redraw to the next; only a table that grew or shrank adds or removes views at its end,
// a few per turn of the main loop, and only while the table is shown (see ui/row_steps.h).
#pragma once

#include <QWidget>
#include <memory>
#include <set>
#include <vector>

#include "mackie/core/row.h"

class MKEngine;
class MKRowView;
class MKTick;
class MKWord;
class QLabel;
class QVBoxLayout;
namespace ui {
class RowSteps;
}

class MKTable : public QWidget {
 public:
  // A row view costs a few milliseconds to make and show on a slow machine.
  static constexpr std::size_t ROWS_PER_TURN = 2;

  MKTable(std::weak_ptr<MKEngine> engine, QWidget* parent);

  void redraw(MKEngine& engine);
  const std::vector<MKRowView*>& rowViews() const { return views_; }

 private:
  // One turn's share towards `count` views; true while more remain.
  bool fitViews(std::size_t count);

  std::weak_ptr<MKEngine> engine_;
  // In the order they take the keyboard.
  MKTick* tickAll_;
  MKWord* undo_;
  MKWord* redo_;
  QLabel* lastChange_;
  MKWord* delete_;
  MKWord* add_;
  QLabel* empty_;
  QVBoxLayout* rowsLayout_;
  std::vector<MKRowView*> views_;
  ui::RowSteps* steps_;

  // What the last redraw showed, so that an unchanged table costs little.
  std::vector<MKRules::MKRow> rows_;
  std::set<std::int64_t> clashes_;
  double knobsAt_ = -1e300;   // when the E16 scene was last asked about every row
  unsigned coloursSeen_ = 0;  // the colour changes that had ended when the knobs were last asked about
};
