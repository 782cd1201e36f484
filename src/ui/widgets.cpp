// The shared widgets (see the header).
#include "ui/widgets.h"

#include <QPainter>

#include "ui/colours.h"

namespace ui {

namespace {
constexpr int PAD_X = 6;
constexpr int PAD_Y = 4;
}  // namespace

void setTextColour(QWidget& widget, const QColor& colour) {
  QPalette p = widget.palette();
  for (const auto role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text})
    for (const auto group : {QPalette::Active, QPalette::Inactive})
      p.setColor(group, role, colour);
  widget.setPalette(p);
}

TextButton::TextButton(const QString& text, const QFont& font, const QColor& colour,
                       std::function<void()> act, QWidget* parent)
    : Pill(text, PillStyle{.font = font, .padX = PAD_X, .padY = PAD_Y}, std::move(act), parent) {
  setColour(colour);
  setFocusPolicy(Qt::TabFocus);
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QColor TextButton::colour() const {
  return palette().color(QPalette::ButtonText);
}

void TextButton::setColour(const QColor& colour) {
  setTextColour(*this, colour);
  update();
}

void TextButton::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  if (hasFocus()) {
    // Only a keyboard user gets here (the mouse does not focus it); show where the focus is.
    painter.setPen(QPen(GREY, 1, Qt::DotLine));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
  }
  painter.setPen(colour());
  painter.setFont(font());
  painter.drawText(rect().adjusted(PAD_X, PAD_Y, -PAD_X, -PAD_Y), Qt::AlignCenter, text());
}

Word::Word(const QString& text, bool on, std::function<void()> act, const QString& id, const QString& value,
           QWidget* parent)
    : TextButton(text, monospaced(13, true), GREY, std::move(act), parent) {
  if (!id.isEmpty()) setObjectName(id);
  valueGiven_ = !value.isEmpty();
  if (valueGiven_) setAccessibleDescription(value);
  setOn(on);
}

void Word::setOn(bool on) {
  Pill::setOn(on);
  setColour(on ? GREEN : GREY);
  if (!valueGiven_) setAccessibleDescription(on ? "on" : "off");
}

Label10::Label10(const QString& text, QWidget* parent) : QLabel(text, parent) {
  setFont(monospaced(10, true));
  setTextColour(*this, GREY);
}

Small::Small(const QString& text, QWidget* parent) : QLabel(text, parent) {
  setFont(monospaced(11));
  setTextColour(*this, GREY);
  setWordWrap(true);
}

CloseX::CloseX(std::function<void()> action, QWidget* parent)
    : QAbstractButton(parent), action_(std::move(action)) {
  setObjectName("close");
  setAccessibleName("Close window");
  setToolTip(HELP);
  setCursor(Qt::PointingHandCursor);
  setFixedSize(28, 28);
  setAttribute(Qt::WA_Hover);  // brighter under the mouse
  connect(this, &QAbstractButton::clicked, this, [this] {
    if (action_)
      action_();
    else
      window()->close();
  });
}

void CloseX::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  const QColor ink = underMouse() ? QColor(Qt::white) : QColor(215, 218, 222);
  painter.setPen(QPen(ink, 2.2, Qt::SolidLine, Qt::RoundCap));
  // A cross of 10 points in the middle of the frame, the size of a bold 14-point symbol.
  const QRectF cross(9, 9, 10, 10);
  painter.drawLine(cross.topLeft(), cross.bottomRight());
  painter.drawLine(cross.topRight(), cross.bottomLeft());
}

}  // namespace ui
