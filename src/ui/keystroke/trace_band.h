// The log band: what the module did, newest first, and CLEAR.
#pragma once

#include <memory>

#include "ui/keystroke/ink.h"

class KSEngine;
namespace ui {
class TraceText;
}

class KSTraceBand : public ui::Band {
  Q_OBJECT

 public:
  explicit KSTraceBand(const std::shared_ptr<KSEngine>& engine, QWidget* parent = nullptr);
  void refresh(KSEngine& engine);
  QList<QWidget*> focusables() const;

 private:
  ui::Pill* clear_;
  QLabel* nothing_;
  ui::TraceText* lines_;
};
