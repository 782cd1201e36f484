// WHAT IT DID: the engine's trace as text that can be selected and copied, with CLEAR; "nothing yet" while
// it is empty. Lines are changed where they changed, so a selection survives a knob being turned.
#pragma once

#include <memory>

#include "ui/kit/band.h"

class MKEngine;
class QLabel;
namespace ui {
class Pill;
class TraceText;
}  // namespace ui

class MKTraceBand : public ui::Band {
 public:
  MKTraceBand(std::weak_ptr<MKEngine> engine, QWidget* parent);

  void redraw(MKEngine& engine);
  ui::TraceText* text() const { return text_; }

 private:
  ui::Pill* clear_;
  QLabel* nothing_;
  ui::TraceText* text_;
};
