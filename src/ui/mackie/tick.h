// A tick box drawn as a plain button: it shows `on` and calls `action`; a dead one is shown but does nothing.
// It does not flip itself: what it shows comes back from the engine.
#pragma once

#include <QAbstractButton>
#include <QColor>
#include <functional>

class MKTick : public QAbstractButton {
 public:
  MKTick(QColor tint, QWidget* parent);

  void setOn(bool on);
  bool isOn() const { return on_; }
  void setDead(bool dead);
  std::function<void()> action;

  QSize sizeHint() const override { return {20, 20}; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QColor tint_;
  bool on_ = false;
};
