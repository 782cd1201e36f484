// The table band: + A ROW, the help line, the history bar, the tick-all box, and one line per row, or the
// hint for an empty table. Lines are kept for as long as their rows exist, and only what changed is redrawn.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "ui/keystroke/controls.h"

class KSEngine;
class KSKeepBar;
class KSRowView;

class KSTableBand : public KSBand {
  Q_OBJECT

 public:
  explicit KSTableBand(const std::shared_ptr<KSEngine>& engine, QWidget* parent = nullptr);
  // True when lines came or went: the keyboard's order then needs setting again.
  bool refresh(KSEngine& engine);
  QList<QWidget*> focusables() const;

 private:
  void reshape(const std::shared_ptr<KSEngine>& engine, const std::vector<std::int64_t>& ids);

  KSPill* add_;
  KSKeepBar* keep_;
  KSTick* all_;
  QLabel* empty_;
  QVBoxLayout* lines_;
  std::vector<KSRowView*> views_;  // in table order
};
