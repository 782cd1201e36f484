// The log band (see the header).
#include "ui/keystroke/trace_band.h"

#include <QHBoxLayout>

#include "keystroke/engine.h"
#include "ui/keystroke/ink.h"
#include "ui/trace_text.h"

KSTraceBand::KSTraceBand(const std::shared_ptr<KSEngine>& engine, QWidget* parent)
    : ui::Band("WHAT IT DID", KSInk::band(), parent) {
  setObjectName("trace");
  const std::weak_ptr<KSEngine> weak = engine;
  clear_ = new ui::Pill(
      "CLEAR", KSInk::pill(),
      [weak] {
        if (const auto e = weak.lock()) e->clearTrace();
      },
      this);
  clear_->setObjectName("clear");
  clear_->setAccessibleName("CLEAR");
  auto* top = new QHBoxLayout();
  top->addWidget(clear_);
  top->addStretch(1);
  body()->addLayout(top);
  nothing_ = ksText(KSInk::dim, this);
  nothing_->setObjectName("nothing");
  nothing_->setText("nothing yet");
  body()->addWidget(nothing_);
  lines_ = new ui::TraceText(ui::TraceText::Order::newestFirst, this);
  lines_->setObjectName("lines");
  lines_->setAccessibleName("what it did");
  lines_->setFont(KSInk::mono());
  lines_->setFrameShape(QFrame::NoFrame);
  lines_->setMinimumHeight(180);
  lines_->hide();
  body()->addWidget(lines_);
}

void KSTraceBand::refresh(KSEngine& engine) {
  const bool empty = engine.view().trace.lines().empty();
  nothing_->setVisible(empty);
  lines_->setVisible(!empty);
  lines_->follow(engine.view().trace);
}

QList<QWidget*> KSTraceBand::focusables() const {
  return {clear_, lines_};
}
