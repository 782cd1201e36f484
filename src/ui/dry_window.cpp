// The dry run's window (see the header).
#include "ui/dry_window.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QScreen>
#include <QVBoxLayout>

#include "shell/live_module.h"
#include "ui/colours.h"
#include "ui/module_views.h"
#include "ui/widgets.h"
#include "ui/windows.h"

namespace ui {

DryWindow::DryWindow(LiveModule& keyStroke, QWidget* parent) : QWidget(parent) {
  setWindowTitle(TITLE);
  setAttribute(Qt::WA_QuitOnClose, false);
  setPalette(darkPalette());
  setAutoFillBackground(true);

  auto* closeRow = new QHBoxLayout;
  closeRow->addStretch(1);
  closeRow->addWidget(new CloseX({}, this));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(16, 8, 16, 16);
  layout->addLayout(closeRow);
  if (auto* screen = screenOf(keyStroke)) {
    screen->setObjectName("screen");
    layout->addWidget(screen, 1);
  }
  resize(1040, 760);
}

void DryWindow::open() {
  if (const auto* screen = QGuiApplication::primaryScreen()) {
    QRect place(QPoint(), size());
    place.moveCenter(screen->availableGeometry().center());
    move(place.topLeft());
  }
  bringToFront(*this);
}

}  // namespace ui
