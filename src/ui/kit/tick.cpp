// The tick box (see the header).
#include "ui/kit/tick.h"

#include <QPainter>

namespace ui {

Tick::Tick(const TickLook& look, const QColor& tint, std::function<void()> act, QWidget* parent)
    : QCheckBox(parent), action(std::move(act)), look_(look), tint_(tint) {
  if (look_.pointingHand) setCursor(Qt::PointingHandCursor);
  setFixedSize(sizeHint());
  actOnClick(*this, action);
}

void Tick::setTint(const QColor& tint) {
  if (tint == tint_) return;
  tint_ = tint;
  update();
}

void Tick::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const double in = look_.inset;
  const QRectF box = QRectF(rect()).adjusted(in, in, -in, -in);
  const bool on = isChecked();
  const QColor tint = !isEnabled() && look_.deadTint ? *look_.deadTint : tint_;
  QColor edge = on ? tint : (look_.hoverEdge && underMouse() ? *look_.hoverEdge : look_.offEdge);
  if (!isEnabled()) edge.setAlphaF(edge.alphaF() * look_.deadEdgeAlpha);
  p.setPen(edgePen(*this, look_.focus, edge, look_.edgeWidth));
  p.setBrush(on ? tint : look_.offFill);
  p.drawRoundedRect(box, 3, 3);
  if (on) {
    p.setPen(look_.roundMark ? QPen(look_.mark, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin)
                             : QPen(look_.mark, 2));
    p.setBrush(Qt::NoBrush);
    const QPointF c = box.center();
    const auto& m = look_.markPoints;
    p.drawPolyline(QPolygonF({c + m[0], c + m[1], c + m[2]}));
  }
  if (hasFocus() && look_.focus.ring) drawFocusRing(p, QRectF(rect()), 4, *look_.focus.ring);
}

void Tick::keyPressEvent(QKeyEvent* event) {
  if (!pressedByReturn(*this, *event, look_.returnPresses)) QCheckBox::keyPressEvent(event);
}

}  // namespace ui
