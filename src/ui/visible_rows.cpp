// The strip of rows in sight (see the header).
#include "ui/visible_rows.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QLayout>
#include <algorithm>

namespace ui {

namespace {

const auto LATER = static_cast<QEvent::Type>(QEvent::registerEventType());

}  // namespace

VisibleRows::VisibleRows(Kit kit, int gap, QWidget* parent)
    : QWidget(parent), kit_(std::move(kit)), gap_(gap), ruler_(kit_.make(nullptr)) {
  hide();  // until there are rows
}

VisibleRows::~VisibleRows() = default;

void VisibleRows::setRows(std::vector<std::int64_t> ids) {
  ids_ = std::move(ids);
  index_.clear();
  for (std::size_t i = 0; i < ids_.size(); ++i)
    index_[ids_[i]] = i;
  // Shown already, the rows are measured now, so that a row just added has its view at once; otherwise once
  // shown, at the width they then have.
  stale_ = true;
  if (isVisible()) measure();
  place();
  setVisible(!ids_.empty());
  redraw();
}

void VisibleRows::redraw() {
  for (const auto& [id, view] : bound_)
    kit_.draw(*view, index_.at(id));
}

std::vector<QWidget*> VisibleRows::views() const {
  std::vector<std::pair<std::size_t, QWidget*>> ordered;
  for (const auto& [id, view] : bound_)
    ordered.emplace_back(index_.at(id), view);
  std::sort(ordered.begin(), ordered.end());
  std::vector<QWidget*> out;
  for (const auto& [index, view] : ordered)
    out.push_back(view);
  return out;
}

QSize VisibleRows::sizeHint() const {
  return {minimumSizeHint().width(), length()};
}

QSize VisibleRows::minimumSizeHint() const {
  return {ruler_->minimumSizeHint().width(), length()};
}

bool VisibleRows::event(QEvent* event) {
  if (event->type() == LATER) {
    due_ = false;
    madeThisTurn_ = 0;
    if (stale_ && isVisible()) measure();
    place();
    return true;
  }
  switch (event->type()) {
    case QEvent::Show:
      // Scrolling moves an ancestor, not the strip: every one of them is watched (again, after a move to
      // another parent).
      for (QWidget* w = parentWidget(); w; w = w->parentWidget())
        w->installEventFilter(this);
      if (stale_) later();
      place();
      break;
    case QEvent::Resize:
      stale_ = stale_ || width() != measuredAt_;
      if (stale_) later();
      place();
      break;
    case QEvent::Move:
      place();
      break;
    default:
      break;
  }
  return QWidget::event(event);
}

bool VisibleRows::eventFilter(QObject*, QEvent* event) {
  if (event->type() == QEvent::Move || event->type() == QEvent::Resize) place();
  return false;
}

void VisibleRows::measure() {
  if (width() != measuredAt_) {
    heights_.clear();
    measuredAt_ = width();
  }
  // Rows alike in shape are alike in height: the ruler measures one row of each shape.
  std::vector<int> tops(ids_.size() + 1, 0);
  int measured = 0;
  for (std::size_t i = 0; i < ids_.size(); ++i) {
    const QString shape = kit_.shape(i);
    auto found = heights_.find(shape);
    if (found == heights_.end()) {
      if (measured == MEASURE_PER_TURN) {
        later();
        return;
      }
      ++measured;
      ruler_->setFont(font());
      kit_.draw(*ruler_, i);
      // Never shown, the ruler is never laid out: its inner layouts would answer with the last row's sizes.
      for (QLayout* layout : ruler_->findChildren<QLayout*>())
        layout->invalidate();
      const int height =
          ruler_->hasHeightForWidth() ? ruler_->heightForWidth(measuredAt_) : ruler_->sizeHint().height();
      found = heights_.emplace(shape, height).first;
    }
    tops[i + 1] = tops[i] + found->second + gap_;
  }
  stale_ = false;
  tops_ = std::move(tops);
  setFixedHeight(length());
}

QRect VisibleRows::sight() const {
  // Only the window and the viewports of scrolling areas bound the sight: the widgets in between grow with
  // what they hold, and may just not have grown yet.
  QRect seen = rect();
  QPoint origin;  // of the next ancestor, in the strip's coordinates
  for (const QWidget* w = this; !w->isWindow() && w->parentWidget(); w = w->parentWidget()) {
    origin -= w->pos();
    const QWidget* parent = w->parentWidget();
    if (parent->isWindow() || qobject_cast<const QAbstractScrollArea*>(parent->parentWidget()))
      seen &= QRect(origin, parent->size());
  }
  return seen;
}

void VisibleRows::later() {
  if (due_) return;
  due_ = true;
  // Posted behind everything else that waits, MIDI included, and what comes meanwhile: never within this
  // turn.
  QCoreApplication::postEvent(this, new QEvent(LATER), Qt::LowEventPriority);
}

void VisibleRows::place() {
  if (placing_) return;
  placing_ = true;
  // The rows [first, last) meet the sight and its margins. Out of sight altogether, the strip keeps its views
  // for as long as their rows exist, and makes none; so does a strip whose rows are still to be measured.
  const bool shown = isVisible() && !stale_;
  const QRect seen = sight();
  std::size_t first = 0, last = 0;
  if (shown && !seen.isEmpty()) {
    const int top = seen.top() - MARGIN, bottom = seen.bottom() + MARGIN;
    first =
        static_cast<std::size_t>(std::upper_bound(tops_.begin() + 1, tops_.end(), top) - tops_.begin() - 1);
    last = static_cast<std::size_t>(std::upper_bound(tops_.begin(), tops_.end() - 1, bottom) - tops_.begin());
  }
  // A row out of sight keeps its view while the keyboard is in it, so that a field keeps what is being typed.
  QWidget* focus = QApplication::focusWidget();
  std::map<std::int64_t, QWidget*> kept;
  std::vector<QWidget*> spare;
  for (const auto& [id, view] : bound_) {
    const auto at = index_.find(id);
    const bool wanted = at != index_.end() && (!shown || (at->second >= first && at->second < last) ||
                                               (focus != nullptr && view->isAncestorOf(focus)));
    if (wanted)
      kept.emplace(id, view);
    else
      spare.push_back(view);
  }
  bool changed = kept.size() != bound_.size();
  // A row just added, or a little more room, gets its view at once; a screenful comes a view or so per turn
  // of the loop.
  int missing = -static_cast<int>(spare.size());
  for (std::size_t i = first; i < last; ++i)
    missing += kept.count(ids_[i]) ? 0 : 1;
  const int budget = missing <= MAKE_PER_TURN ? MAKE_PER_TURN : MAKE_PER_TURN - madeThisTurn_;
  int made = 0;
  for (std::size_t i = first; i < last; ++i) {
    if (kept.count(ids_[i])) continue;
    QWidget* view = nullptr;
    if (!spare.empty()) {
      view = spare.back();
      spare.pop_back();
    } else if (made++ < budget) {
      view = kit_.make(this);
      if (madeThisTurn_++ == 0) later();  // which may make more
    } else {
      continue;
    }
    kit_.draw(*view, i);
    kept.emplace(ids_[i], view);
    changed = true;
  }
  // Views no row needs now: out of reach at once, deleted after this turn (this may run inside a click).
  for (QWidget* view : spare) {
    view->hide();
    view->setParent(nullptr);
    view->deleteLater();
  }
  bound_ = std::move(kept);
  for (const auto& [id, view] : bound_) {
    if (stale_) break;
    const auto i = index_.at(id);
    view->setGeometry(0, tops_[i], width(), tops_[i + 1] - tops_[i] - gap_);
    if (view->isHidden()) view->show();
  }
  placing_ = false;
  if (changed && rebound) rebound();
}

}  // namespace ui
