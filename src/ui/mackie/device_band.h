// THE DEVICE — WHAT COMES IN: the controller the module listens to, with DETECT DEVICE while none is locked
// and UNLOCK while one is.
#pragma once

#include <QWidget>
#include <memory>

class MKEngine;
class MKWord;
class QLabel;

class MKDeviceBand : public QWidget {
 public:
  MKDeviceBand(std::weak_ptr<MKEngine> engine, QWidget* parent);

  void redraw(MKEngine& engine);

 private:
  QLabel* lock_;
  MKWord* detect_;
  MKWord* unlock_;
};
