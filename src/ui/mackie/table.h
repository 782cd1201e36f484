// The table band: UNDO and REDO with the last change, the tick that ticks every row, DELETE with the number
// of ticked rows, + A ROW, and the rows, or the hint of how to begin when there is none. Only the rows in
// sight have a view (see ui/visible_rows.h); a view is kept from one redraw to the next while its row is in
// sight.
#pragma once

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "mackie/core/row.h"
#include "mackie/engine/led.h"
#include "ui/kit/band.h"
#include "ui/mackie/row_view.h"

class MKEngine;
class QLabel;
namespace ui {
class Pill;
class Tick;
class VisibleRows;
}  // namespace ui

class MKTable : public ui::Band {
 public:
  MKTable(std::weak_ptr<MKEngine> engine, QWidget* parent);

  void redraw(MKEngine& engine);
  // The views of the rows in sight, in the rows' order.
  std::vector<MKRowView*> rowViews() const;

 private:
  // Tab goes from the bar through the rows in sight, in the rows' order.
  void orderKeys();
  // What the row's view shows now.
  MKRowLook look(MKEngine& engine, const MKRules::MKRow& row);

  std::weak_ptr<MKEngine> engine_;
  // In the order they take the keyboard.
  ui::Tick* tickAll_;
  ui::Pill* undo_;
  ui::Pill* redo_;
  QLabel* lastChange_;
  ui::Pill* delete_;
  ui::Pill* add_;
  QLabel* empty_;
  ui::VisibleRows* strip_;

  // What the last redraw showed, so that an unchanged table costs little.
  std::vector<MKRules::MKRow> rows_;
  std::set<std::int64_t> clashes_;
  // What the E16 scene said of each knob that rows drive, asked again every few seconds.
  struct Knob {
    std::string from;
    int number = 0;
    bool volume = false;
    auto operator<=>(const Knob&) const = default;
  };
  std::map<Knob, MKLedAbout> knobs_;
  double knobsAt_ = -1e300;   // when the E16 scene was last asked about every row
  unsigned coloursSeen_ = 0;  // the colour changes that had ended when the knobs were last asked about
};
