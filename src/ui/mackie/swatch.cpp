// The ring colour swatch (see the header).
#include "ui/mackie/swatch.h"

#include <QPainter>

#include "ui/colours.h"

MKSwatch::MKSwatch(QWidget* parent) : QAbstractButton(parent) {
  setFocusPolicy(Qt::StrongFocus);
  setFixedSize(sizeHint());
  setCursor(Qt::PointingHandCursor);
}

void MKSwatch::setColour(const QColor& colour) {
  if (colour == colour_) return;
  colour_ = colour;
  update();
}

void MKSwatch::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  const QRectF dot(5, 5, 12, 12);
  painter.setPen(QPen(hasFocus() ? Qt::white : ui::GREY, hasFocus() ? 1.5 : 1));
  painter.setBrush(colour_.isValid() ? colour_ : QColor(Qt::transparent));
  painter.drawEllipse(dot);
}
