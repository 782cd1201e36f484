// The ring colour of the E16 knob behind a row, as a small button: filled with the colour, hollow when no
// knob answers the row. Clicking it runs `action` (the screens open the ring colours to choose from).
#pragma once

#include <QAbstractButton>
#include <QColor>
#include <functional>

#include "ui/kit/focus.h"

namespace ui {

struct SwatchLook {
  int size = 18;       // the widget is a square of this side
  double inset = 2.5;  // from its edge to the swatch
  bool round = false;  // a circle, or a square with rounded corners
  QColor edge{};       // the outline
  int darkerEdge = 0;  // when not 0, a colour shown is outlined in itself, this much darker
  FocusLook focus{};
  bool returnPresses = false;  // Return and Enter press it like Space
};

class Swatch : public QAbstractButton {
  Q_OBJECT

 public:
  Swatch(const SwatchLook& look, std::function<void()> action = {}, QWidget* parent = nullptr);

  // An invalid colour: no knob to show.
  void setColour(const QColor& colour);
  const QColor& colour() const { return colour_; }
  std::function<void()> action;

  QSize sizeHint() const override { return {look_.size, look_.size}; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  SwatchLook look_;
  QColor colour_;
};

}  // namespace ui
