// The table band: UNDO and REDO with the last change, the tick that ticks every row, DELETE with the number
// of ticked rows, + A ROW, and one row view per row, or the hint of how to begin when there is none. Views
// are kept from one redraw to the next; only a table that grew or shrank adds or removes views at its end.
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

class MKTable : public QWidget {
 public:
  MKTable(std::weak_ptr<MKEngine> engine, QWidget* parent);

  void redraw(MKEngine& engine);
  const std::vector<MKRowView*>& rowViews() const { return views_; }

 private:
  void fitViews(std::size_t count);

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

  // What the last redraw showed, so that an unchanged table costs little.
  std::vector<MKRules::MKRow> rows_;
  std::set<std::int64_t> clashes_;
  double knobsAt_ = -1e300;   // when the E16 scene was last asked about every row
  unsigned coloursSeen_ = 0;  // the colour changes that had ended when the knobs were last asked about
};
