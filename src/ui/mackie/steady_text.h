// Text that changes often (a count, an age, a line about what was sent) without making the window lay itself
// out again each time: it asks for a new size only when the text needs more or fewer lines at its width.
// A label would ask at every change, and the whole section, 200 rows included, would be measured anew ten
// times a second.
#pragma once

#include <QWidget>

class MKSteadyText : public QWidget {
 public:
  explicit MKSteadyText(QWidget* parent);

  void setText(const QString& text);
  const QString& text() const { return text_; }
  // The text's colour; the palette's text colour until one is given.
  void setColour(const QColor& colour);
  QColor colour() const;

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;
  bool hasHeightForWidth() const override { return true; }
  int heightForWidth(int width) const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QString text_;
  QColor colour_;
};
