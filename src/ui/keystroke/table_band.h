// The table band: + A ROW, the help line, the history bar, the tick-all box, and one line per row, or the
// hint for an empty table. Only the rows in sight have a line (see ui/visible_rows.h); a line is kept while
// its row is in sight, and only what changed is redrawn.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <vector>

#include "keystroke/row.h"
#include "ui/keystroke/ink.h"

class KSEngine;
class KSKeepBar;
class KSRowView;
namespace ui {
class VisibleRows;
}

class KSTableBand : public ui::Band {
  Q_OBJECT

 public:
  explicit KSTableBand(const std::shared_ptr<KSEngine>& engine, QWidget* parent = nullptr);
  void refresh(KSEngine& engine);
  // Told when lines came, went or took other rows: the keyboard's order then needs setting again.
  std::function<void()> reshaped;
  QList<QWidget*> focusables() const;

 private:
  // Draws row `i` of the last refresh in `view`.
  void draw(KSRowView& view, std::size_t i) const;

  std::weak_ptr<KSEngine> engine_;
  ui::Pill* add_;
  KSKeepBar* keep_;
  ui::Tick* all_;
  QLabel* empty_;
  ui::VisibleRows* strip_;
  // What the last refresh showed.
  std::vector<KSRules::KSRow> rows_;
  std::set<std::int64_t> clashes_;
  std::set<std::int64_t> ticked_;
};
