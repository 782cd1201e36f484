// The small widgets both modules' screens and the window share: a switch word, two kinds of secondary text
// and the close cross. Each shows what it is given and runs the one action it was given; none decides
// anything.
#pragma once

#include <QAbstractButton>
#include <QLabel>
#include <functional>

#include "ui/kit/pill.h"

namespace ui {

// The window's kind of the kit's clickable word: any colour, held as the palette's button text so that what
// is drawn is what a test reads; only Tab gives it the keyboard, and a dotted outline shows it.
class TextButton : public Pill {
  Q_OBJECT

 public:
  TextButton(const QString& text, const QFont& font, const QColor& colour, std::function<void()> action = {},
             QWidget* parent = nullptr);

  QColor colour() const;
  void setColour(const QColor& colour);

 protected:
  void paintEvent(QPaintEvent* event) override;
};

// A switch word in bold monospaced 13: GREEN when on, GREY when off. `id` names it for assistive technology
// (its object name) and `value` says its state there ("on" or "off" when not given).
class Word : public TextButton {
  Q_OBJECT

 public:
  Word(const QString& text, bool on, std::function<void()> action = {}, const QString& id = {},
       const QString& value = {}, QWidget* parent = nullptr);

  void setOn(bool on);

 private:
  bool valueGiven_ = false;
};

// A caption: bold monospaced 10, GREY.
class Label10 : public QLabel {
  Q_OBJECT

 public:
  explicit Label10(const QString& text, QWidget* parent = nullptr);
};

// Secondary text: monospaced 11, GREY, wrapped.
class Small : public QLabel {
  Q_OBJECT

 public:
  explicit Small(const QString& text, QWidget* parent = nullptr);
};

// The cross in a window's corner: runs its action, or without one closes the window it sits in. Closing a
// window never ends the application.
class CloseX : public QAbstractButton {
  Q_OBJECT

 public:
  static constexpr const char* HELP = "close this window; the app stays on";

  explicit CloseX(std::function<void()> action = {}, QWidget* parent = nullptr);
  QSize sizeHint() const override { return {28, 28}; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  std::function<void()> action_;
};

// Gives a widget's texts (labels, buttons, fields) one colour.
void setTextColour(QWidget& widget, const QColor& colour);

}  // namespace ui
