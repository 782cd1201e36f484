// The MK screen's colours and fonts (see the header).
#include "ui/mackie/style.h"

#include "ui/colours.h"

namespace ui {

QFont MK_MONO() {
  return monospaced(11);
}

QColor mkHex(const std::string& text) {
  const std::string digits = text.rfind('#', 0) == 0 ? text.substr(1) : text;
  if (digits.size() != 6 || digits.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
    return {};
  return QColor::fromRgb(static_cast<QRgb>(std::stoul(digits, nullptr, 16)));
}

QPalette mkPalette() {
  return darkPalette(
      {INK, QColor(226, 230, 234), MK_SLATE, MK_SAND, INK, GREEN.darker(160), Qt::white, GREY});
}

ScreenLook mkScreen() {
  return {.palette = mkPalette(), .font = MK_MONO(), .margins = {12, 10, 12, 10}, .spacing = 14};
}

PillStyle mkWord(int points) {
  PillStyle style{.font = monospaced(points, true), .padX = 6, .padY = 4};
  style.plain.text = GREY;
  style.ghost.text = GREY;
  style.lit.text = GREEN;
  style.danger.text = MK_RED;
  style.deadAlpha = 0.4;
  return style;
}

TickLook mkTick() {
  return {.size = 20,
          .inset = 3,
          .edgeWidth = 1,
          .offEdge = GREY,
          .offFill = Qt::transparent,
          .deadEdgeAlpha = 0.35,
          .mark = INK,
          .markPoints = {QPointF(-4, 0), QPointF(-1, 3.5), QPointF(4, -3.5)},
          .focus = FocusLook::asEdge(Qt::white, 1.5)};
}

LampLook mkLamp() {
  return {.inset = 3, .dark = MK_SLATE};
}

SwatchLook mkSwatch() {
  return {.size = 22, .inset = 5, .round = true, .edge = GREY, .focus = FocusLook::asEdge(Qt::white, 1.5)};
}

FieldLook mkField() {
  return {.litText = GREEN};
}

BandLook mkBand(int spacing) {
  return {.margins = {},
          .spacing = spacing,
          .bodySpacing = spacing,
          .headingFont = monospaced(10, true),
          .headingInk = GREY};
}

}  // namespace ui
