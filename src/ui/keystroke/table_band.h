// The table band: + A ROW, the help line, the history bar, the tick-all box, and one line per row, or the
// hint for an empty table. Lines are kept for as long as their rows exist, and only what changed is redrawn;
// they are made a few per turn of the main loop, and only while the table is shown (see ui/row_steps.h).
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "ui/keystroke/controls.h"

class KSEngine;
class KSKeepBar;
class KSRowView;
namespace ui {
class RowSteps;
}

class KSTableBand : public KSBand {
  Q_OBJECT

 public:
  // A line costs about a millisecond to make and show on a slow machine.
  static constexpr int ROWS_PER_TURN = 3;

  explicit KSTableBand(const std::shared_ptr<KSEngine>& engine, QWidget* parent = nullptr);
  // True when lines came or went: the keyboard's order then needs setting again.
  bool refresh(KSEngine& engine);
  // Told when lines came or went between the engine's changes, as the table is being made or dropped.
  std::function<void()> reshaped;
  QList<QWidget*> focusables() const;

 private:
  // One turn's share towards a line per row, in table order (none while hidden).
  void reshape(const std::shared_ptr<KSEngine>& engine, const std::vector<std::int64_t>& ids);

  KSPill* add_;
  KSKeepBar* keep_;
  KSTick* all_;
  QLabel* empty_;
  QVBoxLayout* lines_;
  std::vector<KSRowView*> views_;  // in table order; rows still waiting for a line are skipped
  ui::RowSteps* steps_;
};
