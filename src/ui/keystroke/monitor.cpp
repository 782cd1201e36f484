// The monitor (see the header): a fixed set of lines, filled from the engine's newest messages.
#include "ui/keystroke/monitor.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "keystroke/engine.h"
#include "ui/keystroke/ink.h"

namespace {

// The columns' widths are in points, like the fonts, so that they hold the same text on any screen.
constexpr int PORT_POINTS = 150;
constexpr int TEXT_POINTS = 170;

int pixels(const QWidget* widget, int points) {
  return qRound(points * widget->logicalDpiY() / 72.0);
}

}  // namespace

KSMonitor::KSMonitor(QWidget* parent) : QWidget(parent) {
  setObjectName("monitor");
  setAccessibleName("monitor");
  setToolTip("every MIDI message arriving on every port, newest first");
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(1);
  quiet_ = ksText(KSInk::dim, this);
  quiet_->setObjectName("quiet");
  column->addWidget(quiet_);
  for (auto& line : lines_) {
    line.box = new QWidget(this);
    auto* row = new QHBoxLayout(line.box);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);
    line.port = ksText(KSInk::dim, line.box);
    line.port->setFixedWidth(pixels(this, PORT_POINTS));
    line.text = ksText(KSInk::sand, line.box);
    line.text->setFixedWidth(pixels(this, TEXT_POINTS));
    line.count = ksText(KSInk::amber, line.box);
    line.age = ksText(KSInk::dim, line.box);
    row->addWidget(line.port);
    row->addWidget(line.text);
    row->addWidget(line.count);
    row->addWidget(line.age);
    row->addStretch(1);
    line.box->hide();
    column->addWidget(line.box);
  }
}

void KSMonitor::refresh(KSEngine& engine) {
  const auto& incoming = engine.view().incoming;
  if (incoming.empty()) {
    QString says = "not running, so not listening";
    if (engine.running()) {
      says = "no MIDI yet — listening on ";
      const auto& listening = engine.view().listening;
      if (listening.empty()) says += "no port at all";
      for (std::size_t i = 0; i < listening.size(); ++i)
        says += (i ? ", " : "") + QString::fromStdString(listening[i]);
    }
    quiet_->setText(says);
  }
  quiet_->setVisible(incoming.empty());
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    const auto& line = lines_[i];
    line.box->setVisible(i < incoming.size());
    if (i >= incoming.size()) continue;
    const auto& entry = incoming[i];
    line.port->setText(QString::fromStdString(entry.port));
    line.text->setText(QString::fromStdString(entry.text));
    line.count->setText(entry.count > 1 ? QString("× %1").arg(entry.count) : QString());
    line.age->setText(QString::fromStdString(engine.ago(entry.at)));
  }
}
