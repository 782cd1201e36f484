// The incoming monitor (see the header).
#include "ui/mackie/monitor.h"

#include <QGridLayout>

#include "common/monitor.h"
#include "mackie/core/watch.h"
#include "mackie/engine/engine.h"
#include "ui/colours.h"
#include "ui/mackie/steady_text.h"
#include "ui/mackie/style.h"

static_assert(MONITOR_LIMIT == 4, "one screen line per entry the engine keeps");

MKMonitor::MKMonitor(QWidget* parent) : QWidget(parent), waiting_(new MKSteadyText(this)) {
  setObjectName("monitor");
  setAccessibleName("incoming MIDI");
  setToolTip("every MIDI message arriving on every port, newest first");
  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->setHorizontalSpacing(12);
  grid->setVerticalSpacing(0);
  waiting_->setObjectName("waiting");
  grid->addWidget(waiting_, 0, 0, 1, 4);
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    auto& line = lines_[i];
    line = {new MKSteadyText(this), new MKSteadyText(this), new MKSteadyText(this), new MKSteadyText(this)};
    // Wide enough from the start: the cells do not ask for room again as their texts change.
    line.port->setMinimumWidth(150);
    line.text->setMinimumWidth(220);
    line.count->setMinimumWidth(QFontMetrics(ui::MK_MONO()).horizontalAdvance("× 99999"));
    line.age->setColour(ui::GREY);
    line.port->setColour(ui::GREY);
    const int at = static_cast<int>(i) + 1;
    grid->addWidget(line.port, at, 0);
    grid->addWidget(line.text, at, 1);
    grid->addWidget(line.count, at, 2);
    grid->addWidget(line.age, at, 3);
  }
  grid->setColumnStretch(3, 1);
}

void MKMonitor::redraw(MKEngine& engine) {
  const auto& incoming = engine.view().incoming;
  if (incoming.empty()) {
    std::string ports;
    for (const auto& name : engine.openSources())
      ports += (ports.empty() ? "" : ", ") + engine.label(name);
    waiting_->setText(ui::qs("no MIDI yet — listening on " + (ports.empty() ? "no port at all" : ports)));
  }
  waiting_->setVisible(incoming.empty());
  const double now = engine.loop().now();
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    const auto& line = lines_[i];
    const bool shown = i < incoming.size();
    for (MKSteadyText* cell : {line.port, line.text, line.count, line.age})
      cell->setVisible(shown);
    if (!shown) continue;
    const auto& entry = incoming[i];
    line.port->setText(ui::qs(entry.port));
    line.text->setText(ui::qs(entry.text));
    line.count->setText(entry.count > 1 ? QString("× %1").arg(entry.count) : QString());
    line.age->setText(ui::qs(mkAgo(entry.at, now)));
  }
}
