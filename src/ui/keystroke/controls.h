// The small building blocks every Key Stroke view is made of: the clickable pill, the tick box, the
// committing field, the titled band, the row lamp and the colour swatch. They draw what they are told and
// report clicks; none of them knows a rule of the table.
#pragma once

#include <QAbstractButton>
#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QVBoxLayout>
#include <functional>
#include <optional>

#include "ui/commit_field.h"

// A rounded clickable label: `plain`, `lit` (the state it names is on), `ghost` (faded: nothing to do) or
// `danger` (it removes something). Space and Return press it like a click.
class KSPill : public QAbstractButton {
  Q_OBJECT

 public:
  enum class Look { plain, lit, ghost, danger };

  KSPill(const QString& title, std::function<void()> action, QWidget* parent = nullptr);

  void setLook(Look look);
  Look look() const { return look_; }
  // For a pair that picks one of two: the Left and Right keys call this with -1 or +1.
  std::function<void(int step)> arrows;

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override { return sizeHint(); }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  Look look_ = Look::plain;
};

// A check box whose state is whatever it was last told: a click only reports, so the box shows the engine's
// answer rather than a guess. `dead`: shown, but inert.
class KSTick : public QCheckBox {
  Q_OBJECT

 public:
  KSTick(std::function<void()> action, QWidget* parent = nullptr);

  void setOn(bool on) { setChecked(on); }
  void setTint(const QColor& tint);
  void setDead(bool dead) { setEnabled(!dead); }

  QSize sizeHint() const override { return {18, 18}; }
  QSize minimumSizeHint() const override { return sizeHint(); }

 protected:
  void nextCheckState() override {}
  bool hitButton(const QPoint& pos) const override { return rect().contains(pos); }
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  QColor tint_;
};

// A one-line field over a value the engine owns: the typed text stays while the field has the keyboard, and
// is handed over on Return or when the keyboard leaves. `lit` marks a value about to be taken from the
// controller.
class KSField : public CommitField {
  Q_OBJECT

 public:
  KSField(int width, std::function<void(const std::string& typed)> commitTo, QWidget* parent = nullptr);
  void setLit(bool lit);

 private:
  bool lit_ = false;
};

// A titled block of the section: its title above, its content in `body`.
class KSBand : public QFrame {
  Q_OBJECT

 public:
  KSBand(const QString& title, QWidget* parent = nullptr);
  QVBoxLayout* body() const { return body_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QVBoxLayout* body_;
};

// A row's activity light: a small circle in the colour it is given.
class KSLamp : public QWidget {
  Q_OBJECT

 public:
  explicit KSLamp(QWidget* parent = nullptr);
  void setColour(const QColor& colour);
  QColor colour() const { return colour_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QColor colour_;
};

// A knob's ring colour as a small clickable square; hollow when the knob has no colour to show.
class KSSwatch : public QAbstractButton {
  Q_OBJECT

 public:
  KSSwatch(std::function<void()> action, QWidget* parent = nullptr);
  void setColour(std::optional<QColor> colour);
  std::optional<QColor> colour() const { return colour_; }

  QSize sizeHint() const override { return {18, 18}; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  std::optional<QColor> colour_;
};

// Plain text of the section, in the monospaced face, the colour given.
QLabel* ksText(const QColor& colour, QWidget* parent, int points = 11, bool bold = false);
// A label's colour, changed only when it differs: repolishing every label on every redraw would be wasted.
void ksSetColour(QLabel* label, const QColor& colour);
