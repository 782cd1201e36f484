// A word that is a button: bold monospaced text, green while what it names is on and grey otherwise, the
// whole padded rectangle clickable, reachable with Tab and pressed with Space. Most of the MK screen's
// controls are one.
#pragma once

#include <QAbstractButton>
#include <functional>

class MKWord : public QAbstractButton {
 public:
  // `points`: the font size; 13 for the section's words, smaller inside a row.
  MKWord(const QString& text, QWidget* parent, int points = 13);

  void setOn(bool on);
  bool isOn() const { return on_; }
  std::function<void()> action;

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override { return sizeHint(); }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  bool on_ = false;
};
