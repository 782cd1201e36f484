// The row lamp (see the header).
#include "ui/kit/lamp.h"

#include <QPainter>

#include "ui/colours.h"

namespace ui {

Lamp::Lamp(const LampLook& look, QWidget* parent) : QWidget(parent), look_(look), colour_(look.dark) {
  setFixedSize(sizeHint());
}

void Lamp::setLit(const std::string& lit) {
  if (lit == lit_) return;
  lit_ = lit;
  colour_ = lit == "fire" ? GREEN : lit == "heard" ? AMBER : look_.dark;
  update();
}

void Lamp::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(colour_);
  const double in = look_.inset;
  p.drawEllipse(QRectF(rect()).adjusted(in, in, -in, -in));
}

}  // namespace ui
