// A row's lamp: a small circle, green while the row fires, amber while its control is heard but nothing is
// sent, dark otherwise. It shows; it does nothing.
#pragma once

#include <QWidget>
#include <optional>
#include <string>

class MKLamp : public QWidget {
 public:
  explicit MKLamp(QWidget* parent);

  // "fire", "heard" or nothing, as the engine's lit() answers.
  void setLit(const std::optional<std::string>& lit);
  const std::optional<std::string>& lit() const { return lit_; }

  QSize sizeHint() const override { return {14, 14}; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  std::optional<std::string> lit_;
};
