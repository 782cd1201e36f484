// The MIDI TO KEY STROKE module's whole screen: the monitor and the ON/OFF switch, the Accessibility line
// when key strokes cannot be posted, then the device, table and log bands. It redraws from the engine's
// published state, at most ten times a second however fast the controller talks.
#pragma once

#include <QWidget>
#include <chrono>
#include <functional>
#include <memory>

#include "ui/kit/redraw_throttle.h"

class KSEngine;
class KSMonitor;
class KSDeviceBand;
class KSTableBand;
class KSTraceBand;
class QLabel;
namespace ui {
class Pill;
}  // namespace ui

class KSSection : public QWidget {
  Q_OBJECT

 public:
  static constexpr double REDRAW_GAP = 0.1;  // seconds between two redraws, at least
  static const char* const ACCESSIBILITY;    // the line shown while key strokes cannot be posted

  explicit KSSection(const std::shared_ptr<KSEngine>& engine, QWidget* parent = nullptr);
  ~KSSection() override;

  // Told after each redraw how long it took: for measuring, not for drawing.
  std::function<void(std::chrono::nanoseconds)> redrawn;

 private:
  void engineChanged();
  void redraw();
  void orderFocus();

  std::weak_ptr<KSEngine> engine_;
  int subscription_ = 0;
  ui::RedrawThrottle throttle_;
  KSMonitor* monitor_;
  ui::Pill* power_;
  QLabel* access_;
  KSDeviceBand* device_;
  KSTableBand* table_;
  KSTraceBand* trace_;
};
