// The device band (see the header).
#include "ui/keystroke/device_band.h"

#include <QHBoxLayout>

#include "keystroke/engine.h"
#include "ui/keystroke/ink.h"

KSDeviceBand::KSDeviceBand(const std::shared_ptr<KSEngine>& engine, QWidget* parent)
    : ui::Band("THE DEVICE — WHAT COMES IN", KSInk::band(), parent) {
  setObjectName("device");
  const std::weak_ptr<KSEngine> weak = engine;
  auto* top = new QHBoxLayout();
  top->setSpacing(8);
  lock_ = ksText(KSInk::sand, this, 11, true);
  lock_->setObjectName("lock");
  detect_ = new ui::Pill(
      "DETECT DEVICE", KSInk::pill(),
      [weak] {
        if (const auto e = weak.lock()) e->toggleDetect();
      },
      this);
  detect_->setObjectName("detect");
  detect_->setAccessibleName("DETECT DEVICE");
  unlock_ = new ui::Pill(
      "UNLOCK", KSInk::pill(),
      [weak] {
        if (const auto e = weak.lock()) e->unlock();
      },
      this);
  unlock_->setObjectName("unlock");
  unlock_->setAccessibleName("UNLOCK");
  top->addWidget(lock_);
  top->addStretch(1);
  top->addWidget(detect_);
  top->addWidget(unlock_);
  body()->addLayout(top);
  heard_ = ksText(KSInk::sand, this);
  heard_->setObjectName("heard");
  body()->addWidget(heard_);
  why_ = ksText(KSInk::dim, this);
  why_->setObjectName("why");
  why_->setWordWrap(true);
  body()->addWidget(why_);
}

void KSDeviceBand::refresh(KSEngine& engine) {
  const auto& view = engine.view();
  lock_->setText(view.device.empty() ? "no device locked"
                                     : QString::fromStdString("locked to " + engine.label(view.device)));
  detect_->setText(view.detect ? "TURN OR PRESS SOMETHING…" : "DETECT DEVICE");
  detect_->setLook(view.detect ? ui::Pill::Look::lit : ui::Pill::Look::plain);
  if (view.heard) {
    heard_->setText(QString::fromStdString(view.heard->line + "   " + engine.ago(view.heard->at)));
    ksSetColour(heard_, view.heard->mine ? KSInk::sand : KSInk::dim);
  } else {
    heard_->setText("nothing heard yet");
    ksSetColour(heard_, KSInk::dim);
  }
  const auto [why, problem] = engine.why();
  why_->setText(QString::fromStdString(why));
  ksSetColour(why_, problem ? KSInk::amber : KSInk::dim);
}
