// The 100 ring colours of the E16 as a grid to choose from, opened from a row's colour swatch. Choosing one
// hands its number to whoever opened it, which asks the engine to write it into the scene.
#pragma once

#include <QFrame>
#include <functional>

class RingPalette : public QFrame {
 public:
  // A popup: it closes when a colour is chosen, on Escape, or on a click elsewhere.
  explicit RingPalette(std::function<void(int colour)> chosen, QWidget* parent = nullptr);

  // Opens it under `anchor`, with the keyboard on `current` (or the first colour).
  void openBelow(QWidget* anchor, int current);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  // A button takes every arrow as "next" or "previous": the grid's arrows are taken from it first.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  static constexpr int COLUMNS = 10;
  std::function<void(int)> chosen_;
};
