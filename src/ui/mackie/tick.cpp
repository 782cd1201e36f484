// The tick box (see the header).
#include "ui/mackie/tick.h"

#include <QPainter>
#include <QPainterPath>

#include "ui/colours.h"

MKTick::MKTick(QColor tint, QWidget* parent) : QAbstractButton(parent), tint_(tint) {
  setFocusPolicy(Qt::StrongFocus);
  setFixedSize(sizeHint());
  connect(this, &QAbstractButton::clicked, this, [this] {
    if (action) action();
  });
}

void MKTick::setOn(bool on) {
  if (on == on_) return;
  on_ = on;
  update();
}

void MKTick::setDead(bool dead) {
  setEnabled(!dead);
}

void MKTick::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  const QRectF box = QRectF(3, 3, 14, 14);
  QColor edge = on_ ? tint_ : ui::GREY;
  if (!isEnabled()) edge.setAlphaF(0.35);
  painter.setPen(QPen(hasFocus() ? Qt::white : edge, hasFocus() ? 1.5 : 1));
  painter.setBrush(on_ ? tint_ : Qt::transparent);
  painter.drawRoundedRect(box, 3, 3);
  if (!on_) return;
  QPainterPath mark;
  mark.moveTo(box.left() + 3, box.center().y());
  mark.lineTo(box.left() + 6, box.bottom() - 3.5);
  mark.lineTo(box.right() - 3, box.top() + 3.5);
  painter.setPen(QPen(ui::INK, 2));
  painter.setBrush(Qt::NoBrush);
  painter.drawPath(mark);
}
