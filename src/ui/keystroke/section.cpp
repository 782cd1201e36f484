// The Key Stroke section (see the header).
#include "ui/keystroke/section.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "keystroke/engine.h"
#include "ui/keystroke/device_band.h"
#include "ui/keystroke/ink.h"
#include "ui/keystroke/monitor.h"
#include "ui/keystroke/table_band.h"
#include "ui/keystroke/trace_band.h"

// On Linux, posting and capturing keys needs an X display with the XTEST extension: that is what stands for
// the permission here, and where to get it is the user's session, not a settings page.
const char* const KSSection::ACCESSIBILITY =
    "Accessibility: not allowed yet — no X display with XTEST is reachable. Log in to an X11 session (or "
    "XWayland) → DISPLAY names that display → its XTEST extension on (Xorg and XWayland have it) → Orvane "
    "VUDA Verer started there. Until then no key is pressed and no key can be captured.";

KSSection::KSSection(const std::shared_ptr<KSEngine>& engine, QWidget* parent)
    : QWidget(parent), engine_(engine), throttle_(REDRAW_GAP, true, [this] { redraw(); }) {
  setObjectName("midikeys");
  setAccessibleName("MIDI TO KEY STROKE");
  auto* column = ui::screenColumn(*this, KSInk::screen());

  auto* top = new QHBoxLayout();
  monitor_ = new KSMonitor(this);
  const std::weak_ptr<KSEngine> weak = engine;
  power_ = new ui::Pill(
      "ON", KSInk::pill(),
      [weak] {
        if (const auto e = weak.lock()) e->togglePower();
      },
      this);
  power_->setObjectName("power");
  power_->setAccessibleName("ON/OFF");
  power_->setFixedWidth(64);
  top->addWidget(monitor_, 1);
  top->addWidget(power_, 0, Qt::AlignTop);
  column->addLayout(top);

  access_ = ksText(KSInk::amber, this);
  access_->setObjectName("accessibility");
  access_->setWordWrap(true);
  access_->setText(ACCESSIBILITY);
  access_->hide();
  column->addWidget(access_);

  device_ = new KSDeviceBand(engine, this);
  table_ = new KSTableBand(engine, this);
  trace_ = new KSTraceBand(engine, this);
  column->addWidget(device_);
  column->addWidget(table_);
  column->addWidget(trace_);
  column->addStretch(1);
  table_->reshaped = [this] { orderFocus(); };

  subscription_ = engine->subscribe([this] { engineChanged(); });
  throttle_.drawNow(engine->loop());
}

KSSection::~KSSection() {
  if (const auto engine = engine_.lock()) engine->unsubscribe(subscription_);
}

void KSSection::engineChanged() {
  // The first change after a quiet spell is shown at once; those that follow wait for the gap to pass, and
  // are then shown together.
  if (const auto engine = engine_.lock()) throttle_.changed(engine->loop());
}

void KSSection::redraw() {
  const auto engine = engine_.lock();
  if (!engine) return;
  const auto began = std::chrono::steady_clock::now();
  monitor_->refresh(*engine);
  const auto& view = engine->view();
  power_->setText(view.on ? "ON" : "OFF");
  power_->setLook(view.on ? ui::Pill::Look::lit : ui::Pill::Look::plain);
  power_->setToolTip(view.on ? "sending: press to stop everything, the table is kept"
                             : "stopped: press to send again");
  access_->setVisible(!view.trusted);
  device_->refresh(*engine);
  table_->refresh(*engine);
  trace_->refresh(*engine);
  if (redrawn) redrawn(std::chrono::steady_clock::now() - began);
}

void KSSection::orderFocus() {
  // Lines that came later were made later: left alone, Tab would visit them out of table order.
  QList<QWidget*> order{power_};
  order += device_->focusables();
  order += table_->focusables();
  order += trace_->focusables();
  for (qsizetype i = 1; i < order.size(); ++i)
    setTabOrder(order[i - 1], order[i]);
}
