// The monitor of incoming MIDI at the top of the section: the newest few messages from every port, or why
// there are none.
#pragma once

#include <QWidget>
#include <array>

#include "common/monitor.h"

class KSEngine;
class QLabel;

class KSMonitor : public QWidget {
  Q_OBJECT

 public:
  explicit KSMonitor(QWidget* parent = nullptr);
  void refresh(KSEngine& engine);

 private:
  struct Line {
    QWidget* box;
    QLabel* port;
    QLabel* text;
    QLabel* count;
    QLabel* age;
  };
  QLabel* quiet_;
  std::array<Line, MONITOR_LIMIT> lines_;
};
