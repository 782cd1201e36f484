// The row steps (see the header).
#include "ui/row_steps.h"

#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <algorithm>

namespace ui {

RowSteps::RowSteps(QWidget& table, std::function<bool()> step)
    : QObject(&table), table_(table), step_(std::move(step)) {
  table.installEventFilter(this);
}

bool RowSteps::growing() const {
  return table_.isVisible() && !leaving_;
}

void RowSteps::again() {
  if (due_) return;
  due_ = true;
  // A queued call: Qt runs it after what is waiting now, MIDI included, never within this turn.
  QMetaObject::invokeMethod(this, &RowSteps::run, Qt::QueuedConnection);
}

void RowSteps::drop(QWidget* view) {
  if (QWidget* focus = QApplication::focusWidget(); focus && (focus == view || view->isAncestorOf(focus)))
    focus->clearFocus();
  // Out of sight already when the table is: hiding it would only cost.
  if (growing()) view->hide();
  doomed_.push_back(view);
  again();
}

void RowSteps::leave() {
  leaving_ = true;
  // A step at once: a table without rows is done with leaving here and then. (Views it drops now are deleted
  // on a later turn.)
  run();
}

bool RowSteps::eventFilter(QObject* watched, QEvent* event) {
  if (watched == &table_ && (event->type() == QEvent::Show || event->type() == QEvent::Hide)) again();
  return false;
}

void RowSteps::run() {
  due_ = false;
  const auto n = std::min(doomed_.size(), static_cast<std::size_t>(DROP_PER_TURN));
  for (std::size_t i = 0; i < n; ++i)
    delete doomed_[i];
  doomed_.erase(doomed_.begin(), doomed_.begin() + static_cast<long>(n));
  more_ = step_ && step_();
  if (more_ || !doomed_.empty()) again();
}

void dismantle(QWidget* screen) {
  if (QWidget* focus = QApplication::focusWidget(); focus && screen->isAncestorOf(focus)) focus->clearFocus();
  // Moved, not hidden: hiding tells every one of its widgets.
  screen->move(-screen->width() - 100, screen->y());
  for (auto* steps : screen->findChildren<RowSteps*>())
    steps->leave();
  const auto done = [screen] {
    const auto all = screen->findChildren<RowSteps*>();
    return std::all_of(all.begin(), all.end(), [](const RowSteps* s) { return s->idle(); });
  };
  // Later, not now: this may run inside a click of the screen's own.
  if (done()) {
    screen->deleteLater();
    return;
  }
  auto* watch = new QTimer(screen);
  QObject::connect(watch, &QTimer::timeout, screen, [screen, done] {
    if (done()) screen->deleteLater();
  });
  watch->start(10);
}

}  // namespace ui
