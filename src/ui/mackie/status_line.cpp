// The status line (see the header).
#include "ui/mackie/status_line.h"

#include <QHBoxLayout>
#include <QLabel>

#include "mackie/engine/engine.h"
#include "ui/colours.h"
#include "ui/mackie/style.h"
#include "ui/mackie/word.h"

namespace {

void paint(QLabel* label, bool alarm) {
  QPalette p = label->palette();
  p.setColor(QPalette::WindowText, alarm ? ui::AMBER : ui::GREY);
  label->setPalette(p);
}

}  // namespace

MKStatusLine::MKStatusLine(std::weak_ptr<MKEngine> engine, QWidget* parent)
    : QWidget(parent), why_(new QLabel(this)), power_(new MKWord("SENDING", this)) {
  why_->setObjectName("why");
  why_->setWordWrap(true);
  paint(why_, false);
  power_->setObjectName("power");
  power_->setAccessibleName("the switch: SENDING or PAUSED");
  power_->action = [engine = std::move(engine)] {
    if (const auto e = engine.lock()) e->setPower();
  };
  auto* line = new QHBoxLayout(this);
  line->setContentsMargins(0, 0, 0, 0);
  line->addWidget(why_, 1);
  line->addWidget(power_);
}

void MKStatusLine::redraw(MKEngine& engine) {
  const auto [text, alarm] = engine.why();
  why_->setText(ui::qs(text));
  if (alarm != alarm_) paint(why_, alarm);
  alarm_ = alarm;
  const bool on = engine.power();
  power_->setText(on ? "SENDING" : "PAUSED");
  power_->setOn(on);
}
