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

class MKRowView : public QWidget {
 public:
  MKRowView(std::weak_ptr<MKEngine> engine, QWidget* parent);

  // `rereadKnob`: ask the E16 scene about the row's knob again even if the row's control did not change.
  void showRow(MKEngine& engine, const MKRules::MKRow& row, bool clashes, bool learning, bool ticked,
               bool rereadKnob);
  std::int64_t id() const { return row_.id; }
  // What of a row decides the view's height: its description, which wraps, and the clash mark beside it.
  static QString shape(const MKRules::MKRow& row, bool clashes);
  // The controls that take the keyboard, in Tab order.
  std::vector<QWidget*> controls() const;

 private:
  template <class Op>
  void withEngine(Op op);
  void name(std::int64_t id);
  void showKnob(MKEngine& engine, bool reread);

  std::weak_ptr<MKEngine> engine_;
  MKRules::MKRow row_;
  bool shown_ = false;  // nothing shown yet: the first showRow sets everything
  bool learning_ = false;
  struct KnobAsked {
    std::string from;
    int number = -1;
    bool volume = false;
    bool operator==(const KnobAsked&) const = default;
  } asked_;
  MKLedAbout knob_;

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
