// The clickable word (see the header).
#include "ui/mackie/word.h"

#include <QPainter>

#include "ui/colours.h"

namespace {

constexpr int PAD_X = 6;
constexpr int PAD_Y = 4;

}  // namespace

MKWord::MKWord(const QString& text, QWidget* parent, int points) : QAbstractButton(parent) {
  setText(text);
  setFont(ui::monospaced(points, true));
  setFocusPolicy(Qt::StrongFocus);
  setCursor(Qt::PointingHandCursor);
  connect(this, &QAbstractButton::clicked, this, [this] {
    if (action) action();
  });
}

void MKWord::setOn(bool on) {
  if (on == on_) return;
  on_ = on;
  update();
}

QSize MKWord::sizeHint() const {
  const QFontMetrics metrics(font());
  return {metrics.horizontalAdvance(text()) + 2 * PAD_X, metrics.height() + 2 * PAD_Y};
}

void MKWord::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  QColor ink = on_ ? ui::GREEN : ui::GREY;
  if (!isEnabled()) ink.setAlphaF(0.4);
  if (isDown()) ink = ink.lighter(130);
  if (hasFocus()) {
    painter.setPen(QPen(ink, 1));
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
  }
  painter.setPen(ink);
  painter.setFont(font());
  painter.drawText(rect(), Qt::AlignCenter, text());
}
