// A module's screen as a whole: its own dark palette painted behind it, its font for every text in it, and
// the column its bands stand in, each screen giving its own.
#pragma once

#include <QFont>
#include <QMargins>
#include <QPalette>

class QVBoxLayout;
class QWidget;

namespace ui {

struct ScreenLook {
  QPalette palette{};
  QFont font{};
  QMargins margins{};
  int spacing = 0;  // between two bands
};

// Dresses `screen` and gives it its column.
QVBoxLayout* screenColumn(QWidget& screen, const ScreenLook& look);

}  // namespace ui
