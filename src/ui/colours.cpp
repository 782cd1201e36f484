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

QPalette darkPalette() {
  const QColor text(235, 237, 240);
  const QColor raised(24, 27, 32);  // fields and lists, a step above the background
  QPalette p;
  for (const auto group : {QPalette::Active, QPalette::Inactive}) {
    p.setColor(group, QPalette::Window, INK);
    p.setColor(group, QPalette::WindowText, text);
    p.setColor(group, QPalette::Base, raised);
    p.setColor(group, QPalette::AlternateBase, INK);
    p.setColor(group, QPalette::Text, text);
    p.setColor(group, QPalette::Button, raised);
    p.setColor(group, QPalette::ButtonText, text);
    p.setColor(group, QPalette::ToolTipBase, raised);
    p.setColor(group, QPalette::ToolTipText, text);
    p.setColor(group, QPalette::PlaceholderText, GREY);
    p.setColor(group, QPalette::Highlight, QColor(44, 82, 130));
    p.setColor(group, QPalette::HighlightedText, Qt::white);
    p.setColor(group, QPalette::Link, GREEN);
    p.setColor(group, QPalette::Light, QColor(60, 64, 70));
    p.setColor(group, QPalette::Midlight, QColor(44, 48, 54));
    p.setColor(group, QPalette::Mid, QColor(34, 37, 42));
    p.setColor(group, QPalette::Dark, QColor(6, 7, 9));
    p.setColor(group, QPalette::Shadow, Qt::black);
  }
  p.setColor(QPalette::Disabled, QPalette::Window, INK);
  p.setColor(QPalette::Disabled, QPalette::Base, INK);
  p.setColor(QPalette::Disabled, QPalette::Button, INK);
  for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
    p.setColor(QPalette::Disabled, role, GREY);
  return p;
}

}  // namespace ui
