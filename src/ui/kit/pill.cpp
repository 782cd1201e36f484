// The clickable word (see the header).
#include "ui/kit/pill.h"

#include <QPainter>

#include "ui/kit/focus.h"

namespace ui {

Pill::Pill(const QString& text, const PillStyle& style, std::function<void()> act, QWidget* parent)
    : QAbstractButton(parent), action(std::move(act)), style_(style) {
  setText(text);
  setFont(style_.font);
  setCursor(Qt::PointingHandCursor);
  actOnClick(*this, action);
}

void Pill::setLook(Look look) {
  if (look == look_) return;
  look_ = look;
  update();
}

const PillInks& Pill::inks(Look look) const {
  switch (look) {
    case Look::lit:
      return style_.lit;
    case Look::ghost:
      return style_.ghost;
    case Look::danger:
      return style_.danger;
    case Look::plain:
      break;
  }
  return style_.plain;
}

QSize Pill::sizeHint() const {
  const QFontMetrics m(font());
  return {m.horizontalAdvance(text()) + 2 * style_.padX, m.height() + 2 * style_.padY};
}

void Pill::paintEvent(QPaintEvent*) {
  QPainter p(this);
  if (style_.body)
    paintPill(p);
  else
    paintBare(p);
}

void Pill::paintPill(QPainter& p) {
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
  const double radius = r.height() / 2;
  const PillInks& shown = inks(isEnabled() ? look_ : Look::ghost);
  QColor fill = shown.fill, edge = shown.edge;
  if (underMouse() && isEnabled()) edge = edge.lighter(150);
  if (isDown()) fill = fill.darker(130);
  p.setPen(QPen(edge, 1));
  p.setBrush(fill);
  p.drawRoundedRect(r, radius, radius);
  if (hasFocus() && style_.focusRing) drawFocusRing(p, r, radius, *style_.focusRing);
  p.setPen(shown.text);
  p.setFont(font());
  const QFontMetrics m(font());
  p.drawText(rect().adjusted(6, 0, -6, 0), Qt::AlignCenter,
             m.elidedText(text(), Qt::ElideRight, width() - 12));
}

void Pill::paintBare(QPainter& p) {
  QColor ink = inks(look_).text;
  if (!isEnabled()) ink.setAlphaF(ink.alphaF() * style_.deadAlpha);
  if (isDown()) ink = ink.lighter(130);
  if (hasFocus()) {
    p.setPen(QPen(ink, 1));
    p.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
  }
  p.setPen(ink);
  p.setFont(font());
  p.drawText(rect(), Qt::AlignCenter, text());
}

void Pill::keyPressEvent(QKeyEvent* event) {
  if (pressedByReturn(*this, *event, style_.returnPresses)) return;
  if (arrows && (event->key() == Qt::Key_Left || event->key() == Qt::Key_Right)) {
    arrows(event->key() == Qt::Key_Left ? -1 : 1);
    return;
  }
  QAbstractButton::keyPressEvent(event);
}

}  // namespace ui
