// The trace band (see the header).
#include "ui/mackie/trace_band.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QVBoxLayout>
#include <algorithm>

#include "mackie/engine/engine.h"
#include "ui/colours.h"
#include "ui/mackie/style.h"
#include "ui/mackie/word.h"

namespace {

// How many of `lines` were dropped from the front of `before`: the trace only ever loses its oldest lines,
// gains new ones at the end, or has its last line replaced. The largest overlap wins.
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

MKTraceBand::MKTraceBand(std::weak_ptr<MKEngine> engine, QWidget* parent)
    : QWidget(parent),
      clear_(new MKWord("CLEAR", this)),
      nothing_(new QLabel("nothing yet", this)),
      text_(new QPlainTextEdit(this)) {
  clear_->setObjectName("clear");
  clear_->action = [engine] {
    if (const auto e = engine.lock()) e->clearTrace();
  };
  nothing_->setObjectName("nothingYet");
  QPalette grey = nothing_->palette();
  grey.setColor(QPalette::WindowText, ui::GREY);
  nothing_->setPalette(grey);
  text_->setObjectName("trace");
  text_->setAccessibleName("what it did");
  text_->setReadOnly(true);
  text_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  text_->setLineWrapMode(QPlainTextEdit::NoWrap);
  text_->setFixedHeight(220);
  auto* band = new QVBoxLayout(this);
  band->setContentsMargins(0, 0, 0, 0);
  band->setSpacing(2);
  auto* head = new QHBoxLayout();
  head->addWidget(ui::mkHeading("WHAT IT DID", this));
  head->addStretch(1);
  head->addWidget(clear_);
  band->addLayout(head);
  band->addWidget(nothing_);
  band->addWidget(text_);
}

void MKTraceBand::redraw(MKEngine& engine) {
  const auto& lines = engine.trace.lines();
  nothing_->setVisible(lines.empty());
  text_->setVisible(!lines.empty());
  if (engine.trace.written() == written_ && lines.size() == shown_.size()) return;
  written_ = engine.trace.written();
  follow(lines);
}

void MKTraceBand::follow(const std::deque<std::string>& lines) {
  auto* bar = text_->verticalScrollBar();
  const bool atEnd = bar->value() == bar->maximum();
  QTextDocument* doc = text_->document();
  QTextCursor edit(doc);
  edit.beginEditBlock();
  // Drop the lines the trace let go of at the front.
  const std::size_t dropped = droppedFront(shown_, lines);
  if (dropped >= shown_.size()) {
    doc->clear();
    shown_.clear();
  } else if (dropped > 0) {
    edit.movePosition(QTextCursor::Start);
    edit.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor, static_cast<int>(dropped));
    edit.removeSelectedText();
    shown_.erase(shown_.begin(), shown_.begin() + static_cast<long>(dropped));
  }
  // Keep what still agrees; rewrite from the first line that differs.
  std::size_t same = 0;
  while (same < shown_.size() && same < lines.size() && shown_[same] == lines[same])
    ++same;
  if (same < shown_.size()) {
    edit.setPosition(doc->findBlockByNumber(static_cast<int>(same)).position());
    if (same > 0) edit.movePosition(QTextCursor::PreviousCharacter);  // the line break before it goes too
    edit.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    edit.removeSelectedText();
    shown_.resize(same);
  }
  edit.movePosition(QTextCursor::End);
  for (std::size_t i = same; i < lines.size(); ++i) {
    if (!shown_.empty()) edit.insertBlock();
    edit.insertText(QString::fromStdString(lines[i]));
    shown_.push_back(lines[i]);
  }
  edit.endEditBlock();
  if (atEnd) bar->setValue(bar->maximum());
}
