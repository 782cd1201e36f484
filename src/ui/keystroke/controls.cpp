// The Key Stroke building blocks (see the header): painted by hand rather than by style sheets, so that a
// table of hundreds of rows stays cheap to draw and to update.
#include "ui/keystroke/controls.h"

#include <QKeyEvent>
#include <QPainter>

#include "ui/keystroke/ink.h"

namespace {

bool presses(const QKeyEvent* event) {
  return event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
}

void focusRing(QPainter& p, const QRectF& r, double radius) {
  p.setPen(QPen(KSInk::cy, 2));
  p.setBrush(Qt::NoBrush);
  p.drawRoundedRect(r.adjusted(1, 1, -1, -1), radius, radius);
}

}  // namespace

KSPill::KSPill(const QString& title, std::function<void()> action, QWidget* parent)
    : QAbstractButton(parent) {
  setText(title);
  setFont(KSInk::mono(11, true));
  setFocusPolicy(Qt::StrongFocus);
  setCursor(Qt::PointingHandCursor);
  if (action) connect(this, &QAbstractButton::clicked, this, [action = std::move(action)] { action(); });
}

void KSPill::setLook(Look look) {
  if (look == look_) return;
  look_ = look;
  update();
}

QSize KSPill::sizeHint() const {
  const QFontMetrics m(font());
  return {m.horizontalAdvance(text()) + 20, m.height() + 8};
}

void KSPill::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
  const double radius = r.height() / 2;
  const Look shown = isEnabled() ? look_ : Look::ghost;
  QColor fill = Qt::transparent, edge = KSInk::slate, ink = KSInk::sand;
  switch (shown) {
    case Look::plain:
      fill = KSInk::surface;
      break;
    case Look::lit:
      fill = KSInk::green;
      edge = KSInk::green;
      ink = KSInk::ground;
      break;
    case Look::ghost:
      ink = KSInk::dim;
      break;
    case Look::danger:
      edge = KSInk::red;
      ink = KSInk::red;
      break;
  }
  if (underMouse() && isEnabled()) edge = edge.lighter(150);
  if (isDown()) fill = fill.darker(130);
  p.setPen(QPen(edge, 1));
  p.setBrush(fill);
  p.drawRoundedRect(r, radius, radius);
  if (hasFocus()) focusRing(p, r, radius);
  p.setPen(ink);
  p.setFont(font());
  const QFontMetrics m(font());
  p.drawText(rect().adjusted(6, 0, -6, 0), Qt::AlignCenter,
             m.elidedText(text(), Qt::ElideRight, width() - 12));
}

void KSPill::keyPressEvent(QKeyEvent* event) {
  if (presses(event)) {
    click();
    return;
  }
  if (arrows && (event->key() == Qt::Key_Left || event->key() == Qt::Key_Right)) {
    arrows(event->key() == Qt::Key_Left ? -1 : 1);
    return;
  }
  QAbstractButton::keyPressEvent(event);
}

KSTick::KSTick(std::function<void()> action, QWidget* parent) : QCheckBox(parent), tint_(KSInk::green) {
  setFocusPolicy(Qt::StrongFocus);
  setCursor(Qt::PointingHandCursor);
  if (action) connect(this, &QAbstractButton::clicked, this, [action = std::move(action)] { action(); });
}

void KSTick::setTint(const QColor& tint) {
  if (tint == tint_) return;
  tint_ = tint;
  update();
}

void KSTick::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF box = QRectF(rect()).adjusted(2.5, 2.5, -2.5, -2.5);
  const QColor tint = isEnabled() ? tint_ : KSInk::dim;
  p.setPen(QPen(isChecked() ? tint : (underMouse() ? KSInk::dim : KSInk::slate), 1.2));
  p.setBrush(isChecked() ? tint : KSInk::ground);
  p.drawRoundedRect(box, 3, 3);
  if (isChecked()) {
    p.setPen(QPen(KSInk::ground, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    const QPointF c = box.center();
    p.drawPolyline(QPolygonF({c + QPointF(-3.5, 0), c + QPointF(-1, 3), c + QPointF(4, -3)}));
  }
  if (hasFocus()) focusRing(p, QRectF(rect()), 4);
}

void KSTick::keyPressEvent(QKeyEvent* event) {
  if (presses(event)) {
    click();
    return;
  }
  QCheckBox::keyPressEvent(event);
}

KSField::KSField(int width, std::function<void(const std::string& typed)> commitTo, QWidget* parent)
    : CommitField(parent) {
  commit = std::move(commitTo);
  setFixedWidth(width);
  setFont(KSInk::mono());
  setAlignment(Qt::AlignCenter);
  setFrame(true);
}

void KSField::setLit(bool lit) {
  if (lit == lit_) return;
  lit_ = lit;
  QPalette p = palette();
  p.setColor(QPalette::Base, lit ? KSInk::green.darker(300) : KSInk::surface);
  p.setColor(QPalette::Text, lit ? KSInk::green : KSInk::sand);
  setPalette(p);
}

KSBand::KSBand(const QString& title, QWidget* parent) : QFrame(parent) {
  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(12, 8, 12, 10);
  outer->setSpacing(6);
  auto* heading = ksText(KSInk::dim, this, 10, true);
  heading->setObjectName("heading");
  heading->setText(title);
  heading->setAccessibleName(title);
  outer->addWidget(heading);
  body_ = new QVBoxLayout();
  body_->setSpacing(4);
  outer->addLayout(body_);
}

void KSBand::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(KSInk::slate, 1));
  p.setBrush(KSInk::surface);
  p.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
}

KSLamp::KSLamp(QWidget* parent) : QWidget(parent), colour_(KSInk::slate) {
  setFixedSize(14, 14);
}

void KSLamp::setColour(const QColor& colour) {
  if (colour == colour_) return;
  colour_ = colour;
  update();
}

void KSLamp::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(colour_);
  p.drawEllipse(QRectF(rect()).adjusted(2, 2, -2, -2));
}

KSSwatch::KSSwatch(std::function<void()> action, QWidget* parent) : QAbstractButton(parent) {
  setFocusPolicy(Qt::StrongFocus);
  setCursor(Qt::PointingHandCursor);
  setFixedSize(sizeHint());
  if (action) connect(this, &QAbstractButton::clicked, this, [action = std::move(action)] { action(); });
}

void KSSwatch::setColour(std::optional<QColor> colour) {
  if (colour == colour_) return;
  colour_ = colour;
  update();
}

void KSSwatch::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF box = QRectF(rect()).adjusted(2.5, 2.5, -2.5, -2.5);
  p.setPen(QPen(colour_ ? colour_->darker(160) : KSInk::dim, 1));
  p.setBrush(colour_ ? QBrush(*colour_) : QBrush(Qt::NoBrush));
  p.drawRoundedRect(box, 3, 3);
  if (hasFocus()) focusRing(p, QRectF(rect()), 4);
}

void KSSwatch::keyPressEvent(QKeyEvent* event) {
  if (presses(event)) {
    click();
    return;
  }
  QAbstractButton::keyPressEvent(event);
}

QLabel* ksText(const QColor& colour, QWidget* parent, int points, bool bold) {
  auto* label = new QLabel(parent);
  label->setFont(KSInk::mono(points, bold));
  ksSetColour(label, colour);
  return label;
}

void ksSetColour(QLabel* label, const QColor& colour) {
  if (label->palette().color(QPalette::WindowText) == colour) return;
  QPalette p = label->palette();
  p.setColor(QPalette::WindowText, colour);
  label->setPalette(p);
}
