// The band about where the MIDI comes from: the locked device, DETECT DEVICE and UNLOCK, the last message
// heard, and the engine's reason line.
#pragma once

#include <memory>

#include "ui/keystroke/ink.h"

class KSEngine;

class KSDeviceBand : public ui::Band {
  Q_OBJECT

 public:
  explicit KSDeviceBand(const std::shared_ptr<KSEngine>& engine, QWidget* parent = nullptr);
  void refresh(KSEngine& engine);
  QList<QWidget*> focusables() const { return {detect_, unlock_}; }

 private:
  QLabel* lock_;
  ui::Pill* detect_;
  ui::Pill* unlock_;
  QLabel* heard_;
  QLabel* why_;
};
