// The section's first line: why the module does or does not send (amber when something is missing), and at
// its right end SENDING or PAUSED, which flips the module's switch.
#pragma once

#include <QWidget>
#include <memory>

class MKEngine;
class MKSteadyText;
namespace ui {
class Pill;
}  // namespace ui

class MKStatusLine : public QWidget {
 public:
  MKStatusLine(std::weak_ptr<MKEngine> engine, QWidget* parent);

  void redraw(MKEngine& engine);

 private:
  MKSteadyText* why_;
  ui::Pill* power_;
};
