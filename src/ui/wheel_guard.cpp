// The wheel guard (see the header).
#include "ui/wheel_guard.h"

#include <QEvent>
#include <QWidget>

namespace ui {

namespace {

class WheelGuard : public QObject {
 public:
  explicit WheelGuard(QWidget& control) : QObject(&control), control_(control) {}

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() != QEvent::Wheel || control_.hasFocus()) return false;
    // Refused, not taken: Qt then hands the wheel to the parents, up to the scrolling area.
    event->ignore();
    return true;
  }

 private:
  QWidget& control_;
};

}  // namespace

void wheelOnlyWithFocus(QWidget& control) {
  control.setFocusPolicy(Qt::StrongFocus);
  control.installEventFilter(new WheelGuard(control));
}

}  // namespace ui
