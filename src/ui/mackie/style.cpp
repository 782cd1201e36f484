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
  QPalette p;
  const QColor text(226, 230, 234);
  for (const auto group : {QPalette::Active, QPalette::Inactive}) {
    p.setColor(group, QPalette::Window, INK);
    p.setColor(group, QPalette::WindowText, text);
    p.setColor(group, QPalette::Base, MK_SLATE);
    p.setColor(group, QPalette::AlternateBase, MK_SLATE.darker(120));
    p.setColor(group, QPalette::Text, text);
    p.setColor(group, QPalette::Button, MK_SLATE);
    p.setColor(group, QPalette::ButtonText, text);
    p.setColor(group, QPalette::Highlight, GREEN.darker(160));
    p.setColor(group, QPalette::HighlightedText, Qt::white);
    p.setColor(group, QPalette::ToolTipBase, MK_SAND);
    p.setColor(group, QPalette::ToolTipText, INK);
    p.setColor(group, QPalette::PlaceholderText, GREY);
  }
  p.setColor(QPalette::Disabled, QPalette::Window, INK);
  p.setColor(QPalette::Disabled, QPalette::WindowText, GREY);
  p.setColor(QPalette::Disabled, QPalette::Base, INK);
  p.setColor(QPalette::Disabled, QPalette::Text, GREY);
  p.setColor(QPalette::Disabled, QPalette::Button, INK);
  p.setColor(QPalette::Disabled, QPalette::ButtonText, GREY);
  return p;
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
