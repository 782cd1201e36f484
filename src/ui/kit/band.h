// A titled block of a screen: its heading (small, bold), then its content in `body`; beside the heading,
// `head` takes what belongs on its line. A screen gives the margins, the spacing and the colours, and whether
// the band is drawn as a rounded card.
#pragma once

#include <QColor>
#include <QFont>
#include <QFrame>
#include <QHBoxLayout>
#include <QMargins>
#include <QVBoxLayout>
#include <optional>

namespace ui {

struct BandLook {
  QMargins margins{};
  int spacing = 4;      // between the heading and the body
  int bodySpacing = 4;  // between the body's lines
  QFont headingFont{};
  QColor headingInk{};
  std::optional<QColor> fill{};  // a card: this ground…
  QColor edge{};                 // …and this edge
};

class Band : public QFrame {
  Q_OBJECT

 public:
  Band(const QString& title, const BandLook& look, QWidget* parent = nullptr);
  QHBoxLayout* head() const { return head_; }
  QVBoxLayout* body() const { return body_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  BandLook look_;
  QHBoxLayout* head_;
  QVBoxLayout* body_;
};

}  // namespace ui
