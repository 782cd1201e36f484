// The section's dark scheme (see the header).
#include "ui/keystroke/ink.h"

#include <QLabel>

#include "ui/colours.h"

namespace KSInk {

QPalette palette() {
  return ui::darkPalette({ground, sand, surface, surface, sand, cy, ground, dim});
}

ui::ScreenLook screen() {
  return {.palette = palette(), .font = mono(), .margins = {12, 12, 12, 12}, .spacing = 10};
}

ui::PillStyle pill() {
  return {.font = mono(11, true),
          .padX = 10,
          .padY = 4,
          .body = true,
          .plain = {surface, slate, sand},
          .lit = {green, green, ground},
          .ghost = {Qt::transparent, slate, dim},
          .danger = {Qt::transparent, red, red},
          .focusRing = cy,
          .returnPresses = true};
}

ui::TickLook tick() {
  return {.size = 18,
          .inset = 2.5,
          .edgeWidth = 1.2,
          .offEdge = slate,
          .hoverEdge = dim,
          .offFill = ground,
          .deadTint = dim,
          .mark = ground,
          .markPoints = {QPointF(-3.5, 0), QPointF(-1, 3), QPointF(4, -3)},
          .roundMark = true,
          .focus = ui::FocusLook::asRing(cy),
          .pointingHand = true,
          .returnPresses = true};
}

ui::LampLook lamp() {
  return {.inset = 2, .dark = slate};
}

ui::SwatchLook swatch() {
  return {.size = 18,
          .inset = 2.5,
          .edge = dim,
          .darkerEdge = 160,
          .focus = ui::FocusLook::asRing(cy),
          .returnPresses = true};
}

ui::FieldLook field() {
  return {.litText = green, .litBase = green.darker(300), .font = mono()};
}

ui::BandLook band() {
  return {.margins = {12, 8, 12, 10},
          .spacing = 6,
          .bodySpacing = 4,
          .headingFont = mono(10, true),
          .headingInk = dim,
          .fill = surface,
          .edge = slate};
}

}  // namespace KSInk

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
