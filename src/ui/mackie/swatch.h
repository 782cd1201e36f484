// The colour of the E16 knob behind a row, as a small button: painted in the knob's ring colour, an empty
// outline when no scene knob answers the row. Clicking it opens the ring colours to choose from.
#pragma once

#include <QAbstractButton>
#include <QColor>
#include <functional>

class MKSwatch : public QAbstractButton {
 public:
  explicit MKSwatch(QWidget* parent);

  // An invalid colour: no knob to show.
  void setColour(const QColor& colour);
  const QColor& colour() const { return colour_; }

  QSize sizeHint() const override { return {22, 22}; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QColor colour_;
};
