// The MIDI TO MK CONTROL module's section of the window: the status line, the incoming monitor, the device,
// what goes to Live, the command blob, the table and what the module did, top to bottom. It listens to the
// engine (which speaks at most ten times a second) and redraws every band from the engine's state; once a
// second it also redraws on its own, so that the ages it shows stay true while nothing else happens.
#pragma once

#include <QWidget>
#include <memory>

#include "platform/loop.h"

class MKEngine;
class MKStatusLine;
class MKMonitor;
class MKDeviceBand;
class MKToLiveBand;
class MKBlobBand;
class MKTable;
class MKTraceBand;

class MKSection : public QWidget {
 public:
  explicit MKSection(const std::shared_ptr<MKEngine>& engine, QWidget* parent = nullptr);
  ~MKSection() override;

  void redraw();
  MKTable* table() const { return table_; }

 private:
  std::weak_ptr<MKEngine> engine_;
  int subscription_ = 0;
  TaskHandle ages_;
  MKStatusLine* status_;
  MKMonitor* monitor_;
  MKDeviceBand* device_;
  MKToLiveBand* toLive_;
  MKBlobBand* blob_;
  MKTable* table_;
  MKTraceBand* trace_;
};
