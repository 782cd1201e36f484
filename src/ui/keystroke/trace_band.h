// The log band: what the module did, newest first, and CLEAR.
#pragma once

#include <cstdint>
#include <memory>
#include <utility>

#include "ui/keystroke/controls.h"

class KSEngine;
class QPlainTextEdit;

class KSTraceBand : public KSBand {
  Q_OBJECT

 public:
  explicit KSTraceBand(const std::shared_ptr<KSEngine>& engine, QWidget* parent = nullptr);
  void refresh(KSEngine& engine);
  QList<QWidget*> focusables() const;

 private:
  KSPill* clear_;
  QLabel* nothing_;
  QPlainTextEdit* lines_;
  // The trace as last shown (lines ever written, lines now): the text is rebuilt only when it moved.
  std::pair<std::uint64_t, std::size_t> shown_{0, 0};
};
