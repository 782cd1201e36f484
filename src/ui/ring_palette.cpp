// The ring colour grid (see the header).
#include "ui/ring_palette.h"

#include <QGridLayout>
#include <QKeyEvent>
#include <QToolButton>

#include "e16/palette.h"

RingPalette::RingPalette(std::function<void(int colour)> chosen, QWidget* parent)
    : QFrame(parent, Qt::Popup), chosen_(std::move(chosen)) {
  setAttribute(Qt::WA_DeleteOnClose);
  setAccessibleName("ring colours");
  auto* grid = new QGridLayout(this);
  grid->setSpacing(2);
  grid->setContentsMargins(4, 4, 4, 4);
  for (int n = 0; n < static_cast<int>(e16::PALETTE.size()); ++n) {
    auto* swatch = new QToolButton(this);
    const auto text = QString("colour %1").arg(n);
    swatch->setToolTip(text);
    swatch->setAccessibleName(text);
    swatch->setFixedSize(18, 18);
    swatch->setStyleSheet(QString("QToolButton { background: %1; border: 1px solid #000; }"
                                  "QToolButton:focus { border: 2px solid #fff; }")
                              .arg(QString::fromStdString(e16::hex(n))));
    connect(swatch, &QToolButton::clicked, this, [this, n] {
      close();
      if (chosen_) chosen_(n);
    });
    swatch->installEventFilter(this);
    grid->addWidget(swatch, n / COLUMNS, n % COLUMNS);
  }
}

void RingPalette::openBelow(QWidget* anchor, int current) {
  move(anchor->mapToGlobal(QPoint(0, anchor->height())));
  show();
  const auto swatches = findChildren<QToolButton*>();
  const int at = current >= 0 && current < swatches.size() ? current : 0;
  if (!swatches.isEmpty()) swatches[at]->setFocus();
}

bool RingPalette::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Up || key == Qt::Key_Down) {
      keyPressEvent(static_cast<QKeyEvent*>(event));
      return true;
    }
  }
  return QFrame::eventFilter(watched, event);
}

void RingPalette::keyPressEvent(QKeyEvent* event) {
  // The arrows walk the grid; Return or Space picks the colour that has the keyboard.
  const auto swatches = findChildren<QToolButton*>();
  const int at = static_cast<int>(swatches.indexOf(qobject_cast<QToolButton*>(focusWidget())));
  int to = at;
  switch (event->key()) {
    case Qt::Key_Left:
      to = at - 1;
      break;
    case Qt::Key_Right:
      to = at + 1;
      break;
    case Qt::Key_Up:
      to = at - COLUMNS;
      break;
    case Qt::Key_Down:
      to = at + COLUMNS;
      break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (at >= 0) swatches[at]->click();
      return;
    default:
      QFrame::keyPressEvent(event);
      return;
  }
  if (at >= 0 && to >= 0 && to < swatches.size()) swatches[to]->setFocus();
}
