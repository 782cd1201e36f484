// The ring colour swatch (see the header).
#include "ui/kit/swatch.h"

#include <QPainter>

namespace ui {

Swatch::Swatch(const SwatchLook& look, std::function<void()> act, QWidget* parent)
    : QAbstractButton(parent), action(std::move(act)), look_(look) {
  setCursor(Qt::PointingHandCursor);
  setFixedSize(sizeHint());
  actOnClick(*this, action);
}

void Swatch::setColour(const QColor& colour) {
  if (colour == colour_) return;
  colour_ = colour;
  update();
}

void Swatch::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const double in = look_.inset;
  const QRectF box = QRectF(rect()).adjusted(in, in, -in, -in);
  const bool shown = colour_.isValid();
  const QColor edge = shown && look_.darkerEdge ? colour_.darker(look_.darkerEdge) : look_.edge;
  p.setPen(edgePen(*this, look_.focus, edge, 1));
  p.setBrush(shown ? QBrush(colour_) : QBrush(Qt::NoBrush));
  if (look_.round)
    p.drawEllipse(box);
  else
    p.drawRoundedRect(box, 3, 3);
  if (hasFocus() && look_.focus.ring) drawFocusRing(p, QRectF(rect()), 4, *look_.focus.ring);
}

void Swatch::keyPressEvent(QKeyEvent* event) {
  if (!pressedByReturn(*this, *event, look_.returnPresses)) QAbstractButton::keyPressEvent(event);
}

}  // namespace ui
