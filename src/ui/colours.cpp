// The window's fonts and palette (see the header).
#include "ui/colours.h"

#include <QFontDatabase>

namespace ui {

QFont monospaced(int points, bool bold) {
  QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  font.setPixelSize(points);
  font.setBold(bold);
  return font;
}

QFont plain(int points, bool bold) {
  QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
  font.setPixelSize(points);
  font.setBold(bold);
  return font;
}

QPalette darkPalette(const DarkScheme& scheme) {
  QPalette p;
  for (const auto group : {QPalette::Active, QPalette::Inactive}) {
    p.setColor(group, QPalette::Window, scheme.window);
    p.setColor(group, QPalette::WindowText, scheme.text);
    p.setColor(group, QPalette::Base, scheme.field);
    p.setColor(group, QPalette::AlternateBase, scheme.window);
    p.setColor(group, QPalette::Text, scheme.text);
    p.setColor(group, QPalette::Button, scheme.field);
    p.setColor(group, QPalette::ButtonText, scheme.text);
    p.setColor(group, QPalette::ToolTipBase, scheme.tip);
    p.setColor(group, QPalette::ToolTipText, scheme.tipText);
    p.setColor(group, QPalette::PlaceholderText, scheme.dim);
    p.setColor(group, QPalette::Highlight, scheme.highlight);
    p.setColor(group, QPalette::HighlightedText, scheme.highlighted);
    p.setColor(group, QPalette::Link, GREEN);
    p.setColor(group, QPalette::Light, QColor(60, 64, 70));
    p.setColor(group, QPalette::Midlight, QColor(44, 48, 54));
    p.setColor(group, QPalette::Mid, QColor(34, 37, 42));
    p.setColor(group, QPalette::Dark, QColor(6, 7, 9));
    p.setColor(group, QPalette::Shadow, Qt::black);
  }
  for (const auto role : {QPalette::Window, QPalette::Base, QPalette::Button})
    p.setColor(QPalette::Disabled, role, scheme.window);
  for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
    p.setColor(QPalette::Disabled, role, scheme.dim);
  return p;
}

QPalette darkPalette() {
  const QColor text(235, 237, 240);
  const QColor raised(24, 27, 32);
  return darkPalette({INK, text, raised, raised, text, QColor(44, 82, 130), Qt::white, GREY});
}

}  // namespace ui
