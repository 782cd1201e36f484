// The device band (see the header).
#include "ui/mackie/device_band.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "mackie/engine/engine.h"
#include "ui/mackie/style.h"
#include "ui/mackie/word.h"

MKDeviceBand::MKDeviceBand(std::weak_ptr<MKEngine> engine, QWidget* parent)
    : QWidget(parent),
      lock_(new QLabel(this)),
      detect_(new MKWord("DETECT DEVICE", this)),
      unlock_(new MKWord("UNLOCK", this)) {
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
  auto* band = new QVBoxLayout(this);
  band->setContentsMargins(0, 0, 0, 0);
  band->setSpacing(2);
  band->addWidget(ui::mkHeading("THE DEVICE — WHAT COMES IN", this));
  auto* line = new QHBoxLayout();
  line->addWidget(lock_);
  line->addWidget(detect_);
  line->addWidget(unlock_);
  line->addStretch(1);
  band->addLayout(line);
}

void MKDeviceBand::redraw(MKEngine& engine) {
  const auto device = engine.device();
  lock_->setText(ui::qs(device.empty() ? "no device locked" : "locked to " + engine.label(device)));
  detect_->setVisible(device.empty());
  detect_->setText(engine.detect ? "TURN OR PRESS SOMETHING…" : "DETECT DEVICE");
  detect_->setOn(engine.detect);
  unlock_->setVisible(!device.empty());
}
