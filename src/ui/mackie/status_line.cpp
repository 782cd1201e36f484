// The status line (see the header).
#include "ui/mackie/status_line.h"

#include <QHBoxLayout>

#include "mackie/engine/engine.h"
#include "ui/colours.h"
#include "ui/mackie/steady_text.h"
#include "ui/mackie/style.h"

MKStatusLine::MKStatusLine(std::weak_ptr<MKEngine> engine, QWidget* parent)
    : QWidget(parent), why_(new MKSteadyText(this)), power_(new ui::Pill("SENDING", ui::mkWord(), {}, this)) {
  why_->setObjectName("why");
  power_->setObjectName("power");
  power_->setAccessibleName("the switch: SENDING or PAUSED");
  power_->action = [engine = std::move(engine)] {
    if (const auto e = engine.lock()) e->togglePower();
  };
  auto* line = new QHBoxLayout(this);
  line->setContentsMargins(0, 0, 0, 0);
  line->addWidget(why_, 1);
  line->addWidget(power_);
}

void MKStatusLine::redraw(MKEngine& engine) {
  const auto [text, alarm] = engine.why();
  why_->setText(ui::qs(text));
  why_->setColour(alarm ? ui::AMBER : ui::GREY);
  const bool on = engine.power();
  power_->setText(on ? "SENDING" : "PAUSED");
  power_->setOn(on);
}
