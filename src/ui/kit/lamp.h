// A row's activity light: a small circle, green while the row fires, amber while its control is heard but
// nothing is sent, dark otherwise. It shows; it does nothing.
#pragma once

#include <QColor>
#include <QWidget>
#include <string>

namespace ui {

struct LampLook {
  double inset = 2;  // from the widget's edge to the circle
  QColor dark{};     // neither firing nor heard
};

class Lamp : public QWidget {
  Q_OBJECT

 public:
  explicit Lamp(const LampLook& look, QWidget* parent = nullptr);

  // "fire", "heard" or anything else for dark, as the engines answer.
  void setLit(const std::string& lit);
  const std::string& lit() const { return lit_; }
  const QColor& colour() const { return colour_; }

  QSize sizeHint() const override { return {14, 14}; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  LampLook look_;
  std::string lit_;
  QColor colour_;
};

}  // namespace ui
