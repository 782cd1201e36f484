// THE DEVICE — WHAT COMES IN: the controller the module listens to, with DETECT DEVICE while none is locked
// and UNLOCK while one is.
#pragma once

#include <memory>

#include "ui/kit/band.h"

class MKEngine;
class QLabel;
namespace ui {
class Pill;
}  // namespace ui

class MKDeviceBand : public ui::Band {
 public:
  MKDeviceBand(std::weak_ptr<MKEngine> engine, QWidget* parent);

  void redraw(MKEngine& engine);

 private:
  QLabel* lock_;
  ui::Pill* detect_;
  ui::Pill* unlock_;
};
