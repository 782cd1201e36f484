// The command blob's controls (see the header).
#include "ui/mackie/blob_band.h"

#include <QHBoxLayout>
#include <QLabel>
#include <algorithm>
#include <cmath>

#include "common/loose_value.h"
#include "mackie/engine/engine.h"
#include "ui/mackie/style.h"

double blobSeconds(const std::string& typed) {
  std::string text(loose::trimmed(typed));
  std::replace(text.begin(), text.end(), ',', '.');
  // Read the same way whatever the user's locale: Qt sets the C library's from the environment.
  const auto seconds = loose::decimalNumber(text);
  return seconds && std::isfinite(*seconds) ? *seconds : 1.4;
}

MKBlobBand::MKBlobBand(std::weak_ptr<MKEngine> engine, QWidget* parent)
    : QWidget(parent),
      blob_(new ui::Pill("THE COMMAND BLOB", ui::mkWord(), {}, this)),
      home_(new ui::Pill("PUT IT BACK AT THE TOP", ui::mkWord(), {}, this)),
      hold_(new ui::Field(52, ui::mkField(), this)) {
  blob_->setObjectName("blob");
  blob_->setToolTip("green: each command shows for a moment at the top of Live's screen");
  blob_->action = [engine] {
    if (const auto e = engine.lock()) e->toggleBlob();
  };
  home_->setObjectName("blobHome");
  home_->action = [engine] {
    if (const auto e = engine.lock()) e->blobHome();
  };
  hold_->setObjectName("blobHold");
  hold_->setAccessibleName("the blob stays, in seconds");
  hold_->commit = [engine](const std::string& typed) {
    if (const auto e = engine.lock()) e->setBlobHold(blobSeconds(typed));
  };
  auto* line = new QHBoxLayout(this);
  line->setContentsMargins(0, 0, 0, 0);
  line->addWidget(blob_);
  line->addWidget(home_);
  line->addSpacing(12);
  line->addWidget(new QLabel("stays", this));
  line->addWidget(hold_);
  line->addWidget(new QLabel("s", this));
  line->addStretch(1);
}

void MKBlobBand::redraw(MKEngine& engine) {
  blob_->setOn(engine.blobOn());
  hold_->setValue(QString::number(engine.blobHold(), 'f', 1).toStdString());
}
