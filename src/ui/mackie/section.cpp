// The MK module's section (see the header).
#include "ui/mackie/section.h"

#include <QVBoxLayout>

#include "mackie/engine/engine.h"
#include "ui/mackie/blob_band.h"
#include "ui/mackie/device_band.h"
#include "ui/mackie/monitor.h"
#include "ui/mackie/status_line.h"
#include "ui/mackie/style.h"
#include "ui/mackie/table.h"
#include "ui/mackie/to_live_band.h"
#include "ui/mackie/trace_band.h"

namespace {

constexpr double AGES_EVERY = 1.0;  // "12 s ago" is counted in whole seconds

}  // namespace

MKSection::MKSection(const std::shared_ptr<MKEngine>& engine, QWidget* parent)
    : QWidget(parent),
      engine_(engine),
      status_(new MKStatusLine(engine, this)),
      monitor_(new MKMonitor(this)),
      device_(new MKDeviceBand(engine, this)),
      toLive_(new MKToLiveBand(engine, this)),
      blob_(new MKBlobBand(engine, this)),
      table_(new MKTable(engine, this)),
      trace_(new MKTraceBand(engine, this)) {
  setObjectName("mackie");
  auto* bands = ui::screenColumn(*this, ui::mkScreen());
  for (QWidget* band :
       std::initializer_list<QWidget*>{status_, monitor_, device_, toLive_, blob_, table_, trace_})
    bands->addWidget(band);
  bands->addStretch(1);

  subscription_ = engine->subscribe([this] { redraw(); });
  ages_ = engine->loop().every(AGES_EVERY, [this] { redraw(); });
  redraw();
}

MKSection::~MKSection() {
  if (ages_) ages_->cancel();
  if (const auto engine = engine_.lock()) engine->unsubscribe(subscription_);
}

void MKSection::redraw() {
  const auto engine = engine_.lock();
  if (!engine) return;
  status_->redraw(*engine);
  monitor_->redraw(*engine);
  device_->redraw(*engine);
  toLive_->redraw(*engine);
  blob_->redraw(*engine);
  table_->redraw(*engine);
  trace_->redraw(*engine);
}
