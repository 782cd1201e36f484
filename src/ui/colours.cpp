// The window's fonts (see the header).
#include "ui/colours.h"

#include <QFontDatabase>

namespace ui {

QFont monospaced(int points, bool bold) {
  QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  font.setPointSize(points);
  font.setBold(bold);
  return font;
}

}  // namespace ui
