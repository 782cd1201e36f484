// One row of the MK table on screen: tick, lamp, ON, the source, the value, LEARN, the command, how, INVERT,
// LED, the knob's ring colour, TRY and the clash mark on one line, the row's description under it. Each
// control calls one engine operation; what it shows comes back from the engine. A view is kept and given the
// next state of its row, and touches only what changed, so that a control being moved does not make the
// table flicker or take the keyboard from a field being typed in.
#pragma once

#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "mackie/core/row.h"
#include "mackie/engine/led.h"
#include "ui/kit/field.h"
#include "ui/kit/lamp.h"
#include "ui/kit/pill.h"
#include "ui/kit/swatch.h"
#include "ui/kit/tick.h"

class MKEngine;
class MKChoiceBox;
class MKCommandMenu;
class QLabel;

// Everything one row shows, gathered from the engine's state by the table.
struct MKRowLook {
  MKRules::MKRow row;
  std::string lit;  // "fire", "heard", or "" for a dark lamp
  bool learning = false;
  bool ticked = false;
  bool clash = false;
  MKLedAbout ring;  // the row's knob on the E16
  bool operator==(const MKRowLook&) const = default;
};

class MKRowView : public QWidget {
 public:
  MKRowView(std::weak_ptr<MKEngine> engine, QWidget* parent);

  // Shows the look, touching only what differs from the last one.
  void draw(const MKRowLook& look);
  std::int64_t id() const { return shown_.row.id; }
  // What of a row decides the view's height: its description, which wraps, and the clash mark beside it.
  static QString shape(const MKRules::MKRow& row, bool clashes);
  // The controls that take the keyboard, in Tab order.
  std::vector<QWidget*> controls() const;

 private:
  template <class Op>
  void withEngine(Op op);
  void name(std::int64_t id);

  std::weak_ptr<MKEngine> engine_;
  MKRowLook shown_;
  bool drawn_ = false;  // nothing drawn yet: the first look sets everything

  ui::Tick* tick_;
  ui::Lamp* lamp_;
  ui::Pill* on_;
  MKChoiceBox* from_;
  ui::Field* number_;
  ui::Field* value_;
  ui::Pill* learn_;
  MKCommandMenu* command_;
  MKChoiceBox* how_;
  ui::Pill* invert_;
  ui::Pill* led_;
  ui::Swatch* colour_;
  ui::Pill* try_;
  QLabel* clash_;
  QLabel* says_;
};
