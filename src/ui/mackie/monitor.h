// The incoming monitor: the MIDI messages heard lately, newest first, one line each with its port, a repeat
// count and how long ago the last one came; before anything arrives, the ports it listens on.
#pragma once

#include <QWidget>
#include <array>

class MKEngine;
class MKSteadyText;

class MKMonitor : public QWidget {
 public:
  explicit MKMonitor(QWidget* parent);

  // Also called when only the clock moved, so that the ages stay true.
  void redraw(MKEngine& engine);

 private:
  struct Line {
    MKSteadyText* port;
    MKSteadyText* text;
    MKSteadyText* count;
    MKSteadyText* age;
  };
  MKSteadyText* waiting_;
  std::array<Line, 4> lines_;
};
