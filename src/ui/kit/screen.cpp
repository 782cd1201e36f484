// A module's screen (see the header).
#include "ui/kit/screen.h"

#include <QVBoxLayout>
#include <QWidget>

namespace ui {

QVBoxLayout* screenColumn(QWidget& screen, const ScreenLook& look) {
  screen.setPalette(look.palette);
  screen.setAutoFillBackground(true);
  screen.setFont(look.font);
  auto* column = new QVBoxLayout(&screen);
  column->setContentsMargins(look.margins);
  column->setSpacing(look.spacing);
  return column;
}

}  // namespace ui
