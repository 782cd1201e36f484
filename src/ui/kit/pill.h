// A clickable word: the whole padded rectangle takes the click, Tab reaches it and Space presses it. It shows
// one of four looks: `plain`, `lit` (what it names is on), `ghost` (faded: nothing to do) or `danger` (it
// removes something). A screen draws it either as bare text, or as text on a rounded pill with an edge.
#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QFont>
#include <functional>
#include <optional>

namespace ui {

// The colours of one look; fill and edge are drawn only on a pill.
struct PillInks {
  QColor fill{};
  QColor edge{};
  QColor text{};
};

struct PillStyle {
  QFont font{};
  int padX = 6;  // around the text, each side
  int padY = 4;
  // A pill: a rounded body under the text, which is cut short with "…" when it does not fit; brighter edge
  // under the mouse, darker body while pressed, and dead means `ghost`. Bare text: the text brightens while
  // pressed, fades to `deadAlpha` while dead, and the keyboard's focus outlines it in its own colour.
  bool body = false;
  PillInks plain{}, lit{}, ghost{}, danger{};
  double deadAlpha = 1;
  std::optional<QColor> focusRing{};  // on a pill: the keyboard's focus
  bool returnPresses = false;         // Return and Enter press it like Space
};

class Pill : public QAbstractButton {
  Q_OBJECT

 public:
  enum class Look { plain, lit, ghost, danger };

  Pill(const QString& text, const PillStyle& style, std::function<void()> action = {},
       QWidget* parent = nullptr);

  void setLook(Look look);
  Look look() const { return look_; }
  // A word that is on or off: lit or plain.
  void setOn(bool on) { setLook(on ? Look::lit : Look::plain); }
  bool isOn() const { return look_ == Look::lit; }
  std::function<void()> action;
  // For a pair that picks one of two: the Left and Right keys call this with -1 or +1.
  std::function<void(int step)> arrows;

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override { return sizeHint(); }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  const PillInks& inks(Look look) const;
  void paintPill(QPainter& p);
  void paintBare(QPainter& p);

  PillStyle style_;
  Look look_ = Look::plain;
};

}  // namespace ui
