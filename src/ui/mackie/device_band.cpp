// The device band (see the header).
#include "ui/mackie/device_band.h"

#include <QHBoxLayout>
#include <QLabel>

#include "mackie/engine/engine.h"
#include "ui/mackie/style.h"

MKDeviceBand::MKDeviceBand(std::weak_ptr<MKEngine> engine, QWidget* parent)
    : ui::Band("THE DEVICE — WHAT COMES IN", ui::mkBand(2), parent),
      lock_(new QLabel(this)),
      detect_(new ui::Pill("DETECT DEVICE", ui::mkWord(), {}, this)),
      unlock_(new ui::Pill("UNLOCK", ui::mkWord(), {}, this)) {
  lock_->setObjectName("lock");
  detect_->setObjectName("detect");
  detect_->setAccessibleName("DETECT DEVICE");
  detect_->action = [engine] {
    if (const auto e = engine.lock()) e->toggleDetect();
  };
  unlock_->setObjectName("unlock");
  unlock_->action = [engine] {
    if (const auto e = engine.lock()) e->unlock();
  };
  auto* line = new QHBoxLayout();
  line->addWidget(lock_);
  line->addWidget(detect_);
  line->addWidget(unlock_);
  line->addStretch(1);
  body()->addLayout(line);
}

void MKDeviceBand::redraw(MKEngine& engine) {
  const auto device = engine.device();
  lock_->setText(ui::qs(device.empty() ? "no device locked" : "locked to " + engine.label(device)));
  detect_->setVisible(device.empty());
  detect_->setText(engine.view().detect ? "TURN OR PRESS SOMETHING…" : "DETECT DEVICE");
  detect_->setOn(engine.view().detect);
  unlock_->setVisible(!device.empty());
}
