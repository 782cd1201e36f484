// The steady text (see the header).
#include "ui/mackie/steady_text.h"

#include <QPainter>
#include <algorithm>

namespace {

constexpr int FLAGS = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap;

}  // namespace

MKSteadyText::MKSteadyText(QWidget* parent) : QWidget(parent) {
  QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
  policy.setHeightForWidth(true);
  setSizePolicy(policy);
}

void MKSteadyText::setText(const QString& text) {
  if (text == text_) return;
  const int before = heightForWidth(width());
  text_ = text;
  setAccessibleName(text);
  if (heightForWidth(width()) != before) updateGeometry();
  update();
}

void MKSteadyText::setColour(const QColor& colour) {
  if (colour == colour_) return;
  colour_ = colour;
  update();
}

QColor MKSteadyText::colour() const {
  return colour_.isValid() ? colour_ : palette().color(QPalette::WindowText);
}

QSize MKSteadyText::sizeHint() const {
  const QFontMetrics metrics(font());
  return {metrics.horizontalAdvance(text_), metrics.height()};
}

QSize MKSteadyText::minimumSizeHint() const {
  return {0, QFontMetrics(font()).height()};
}

int MKSteadyText::heightForWidth(int width) const {
  const QFontMetrics metrics(font());
  if (width <= 0) return metrics.height();
  return std::max(metrics.height(), metrics.boundingRect(QRect(0, 0, width, 1 << 20), FLAGS, text_).height());
}

void MKSteadyText::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setPen(colour());
  painter.setFont(font());
  painter.drawText(rect(), FLAGS, text_);
}
