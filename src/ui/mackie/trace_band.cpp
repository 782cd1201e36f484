// The trace band (see the header).
#include "ui/mackie/trace_band.h"

#include <QLabel>

#include "mackie/engine/engine.h"
#include "ui/colours.h"
#include "ui/mackie/style.h"
#include "ui/trace_text.h"

MKTraceBand::MKTraceBand(std::weak_ptr<MKEngine> engine, QWidget* parent)
    : ui::Band("WHAT IT DID", ui::mkBand(2), parent),
      clear_(new ui::Pill("CLEAR", ui::mkWord(), {}, this)),
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
  head()->addStretch(1);
  head()->addWidget(clear_);
  body()->addWidget(nothing_);
  body()->addWidget(text_);
}

void MKTraceBand::redraw(MKEngine& engine) {
  const auto& lines = engine.view().trace.lines();
  nothing_->setVisible(lines.empty());
  text_->setVisible(!lines.empty());
  text_->follow(engine.view().trace);
}
