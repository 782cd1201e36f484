// The MK screen's colours and fonts (see the header).
#include "ui/mackie/style.h"

#include <QLabel>

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

QLabel* mkHeading(const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setObjectName("heading");
  label->setFont(monospaced(10, true));
  QPalette p = label->palette();
  p.setColor(QPalette::WindowText, GREY);
  label->setPalette(p);
  return label;
}

}  // namespace ui
