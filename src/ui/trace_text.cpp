// The trace text (see the header).
#include "ui/trace_text.h"

#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <algorithm>

#include "common/trace.h"

namespace ui {

namespace {

// How many lines were dropped from the front of `before`: the trace only ever loses its oldest lines, gains
// new ones at the end, or has its last lines replaced. The largest overlap wins.
std::size_t droppedFront(const std::deque<std::string>& before, const std::deque<std::string>& after) {
  for (std::size_t d = 0; d < before.size(); ++d) {
    const std::size_t overlap = std::min(before.size() - d, after.size());
    if (overlap == 0) break;
    // The overlap's last line may be the one replaced: the lines before it must agree.
    if (std::equal(before.begin() + static_cast<long>(d), before.begin() + static_cast<long>(d + overlap - 1),
                   after.begin()))
      return d;
  }
  return before.size();
}

}  // namespace

TraceText::TraceText(Order order, QWidget* parent) : QPlainTextEdit(parent), order_(order) {
  setReadOnly(true);
  setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  setLineWrapMode(QPlainTextEdit::NoWrap);
}

int TraceText::lineOf(std::size_t at) const {
  return static_cast<int>(order_ == Order::oldestFirst ? at : shown_.size() - 1 - at);
}

void TraceText::remove(std::size_t from, std::size_t to) {
  if (from >= to) return;
  // The same lines as the document holds them, top to bottom.
  int top = lineOf(from), bottom = lineOf(to - 1);
  if (top > bottom) std::swap(top, bottom);
  QTextDocument* doc = document();
  QTextCursor cut(doc);
  if (bottom + 1 < static_cast<int>(shown_.size())) {
    // The line break after the last one goes with them.
    cut.setPosition(doc->findBlockByNumber(top).position());
    cut.setPosition(doc->findBlockByNumber(bottom + 1).position(), QTextCursor::KeepAnchor);
  } else if (top > 0) {
    // Down to the end: the line break before the first one goes with them.
    const QTextBlock above = doc->findBlockByNumber(top - 1);
    cut.setPosition(above.position() + above.length() - 1);
    cut.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
  } else {
    cut.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
  }
  cut.removeSelectedText();
  shown_.erase(shown_.begin() + static_cast<long>(from), shown_.begin() + static_cast<long>(to));
}

void TraceText::follow(const Trace& trace) {
  const auto& lines = trace.lines();
  if (trace.written() == written_ && lines.size() == shown_.size()) return;
  written_ = trace.written();
  auto* bar = verticalScrollBar();
  // A reader at the newest line keeps seeing the newest; any other keeps the line at the top of the view,
  // which a cursor follows through the edits.
  const bool atNewest = order_ == Order::oldestFirst ? bar->value() == bar->maximum() : bar->value() == 0;
  QTextCursor firstSeen(document()->findBlockByNumber(bar->value()));
  QTextCursor edit(document());
  edit.beginEditBlock();
  remove(0, droppedFront(shown_, lines));
  // Keep what still agrees; the lines after it are written again.
  std::size_t same = 0;
  while (same < shown_.size() && same < lines.size() && shown_[same] == lines[same])
    ++same;
  remove(same, shown_.size());
  if (same < lines.size()) {
    QString added;
    for (std::size_t i = same; i < lines.size(); ++i) {
      const auto line = QString::fromStdString(lines[i]);
      if (order_ == Order::oldestFirst)
        added += (i > 0 ? "\n" : "") + line;
      else
        added = line + (i > 0 ? "\n" : "") + added;
      shown_.push_back(lines[i]);
    }
    edit.movePosition(order_ == Order::oldestFirst ? QTextCursor::End : QTextCursor::Start);
    edit.insertText(added);
  }
  edit.endEditBlock();
  if (atNewest)
    bar->setValue(order_ == Order::oldestFirst ? bar->maximum() : 0);
  else
    bar->setValue(firstSeen.blockNumber());
}

}  // namespace ui
