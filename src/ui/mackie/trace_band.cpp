// The trace band (see the header).
#include "ui/mackie/trace_band.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "mackie/engine/engine.h"
#include "ui/colours.h"
#include "ui/mackie/style.h"
#include "ui/mackie/word.h"
#include "ui/trace_text.h"

MKTraceBand::MKTraceBand(std::weak_ptr<MKEngine> engine, QWidget* parent)
    : QWidget(parent),
      clear_(new MKWord("CLEAR", this)),
      nothing_(new QLabel("nothing yet", this)),
      text_(new ui::TraceText(ui::TraceText::Order::oldestFirst, this)) {
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
  text_->follow(engine.trace);
}
