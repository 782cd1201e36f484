// A tick box whose state is whatever it was last told: a click only runs `action`, so the box shows the
// engine's answer rather than a guess. A dead one is shown but inert. Each screen gives its own look.
#pragma once

#include <QCheckBox>
#include <QPointF>
#include <array>
#include <functional>
#include <optional>

#include "ui/kit/focus.h"

namespace ui {

struct TickLook {
  int size = 18;                        // the widget is a square of this side
  double inset = 2.5;                   // from its edge to the box
  double edgeWidth = 1;                 // the box's edge
  QColor offEdge{};                     // the edge while off
  std::optional<QColor> hoverEdge{};    // and under the mouse, if it changes there
  QColor offFill{};                     // the box while off
  std::optional<QColor> deadTint{};     // the tint while dead, if not the tint itself
  double deadEdgeAlpha = 1;             // how much of the edge shows while dead
  QColor mark{};                        // the tick mark
  std::array<QPointF, 3> markPoints{};  // its three points, from the box's centre
  bool roundMark = false;               // round caps and joins
  FocusLook focus{};
  bool pointingHand = false;   // the hand cursor over it
  bool returnPresses = false;  // Return and Enter press it like Space
};

class Tick : public QCheckBox {
  Q_OBJECT

 public:
  Tick(const TickLook& look, const QColor& tint, std::function<void()> action = {},
       QWidget* parent = nullptr);

  void setOn(bool on) { setChecked(on); }
  bool isOn() const { return isChecked(); }
  void setTint(const QColor& tint);
  void setDead(bool dead) { setEnabled(!dead); }
  std::function<void()> action;

  QSize sizeHint() const override { return {look_.size, look_.size}; }
  QSize minimumSizeHint() const override { return sizeHint(); }

 protected:
  void nextCheckState() override {}
  bool hitButton(const QPoint& pos) const override { return rect().contains(pos); }
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  TickLook look_;
  QColor tint_;
};

}  // namespace ui
