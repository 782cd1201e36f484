// The row lamp (see the header).
#include "ui/mackie/lamp.h"

#include <QPainter>

#include "ui/colours.h"
#include "ui/mackie/style.h"

MKLamp::MKLamp(QWidget* parent) : QWidget(parent) {
  setFixedSize(sizeHint());
}

void MKLamp::setLit(const std::optional<std::string>& lit) {
  if (lit == lit_) return;
  lit_ = lit;
  update();
}

void MKLamp::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  const QColor fill = lit_ == "fire" ? ui::GREEN : lit_ == "heard" ? ui::AMBER : ui::MK_SLATE;
  painter.setPen(Qt::NoPen);
  painter.setBrush(fill);
  painter.drawEllipse(QRectF(3, 3, 8, 8));
}
