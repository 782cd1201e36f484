// The MK text field (see the header).
#include "ui/mackie/field.h"

#include "ui/colours.h"

MKField::MKField(int width, QWidget* parent) : CommitField(parent) {
  setFixedWidth(width);
  setAlignment(Qt::AlignCenter);
}

void MKField::setLit(bool lit) {
  if (lit == lit_) return;
  lit_ = lit;
  // Only on a change: a new palette makes Qt lay the field out again.
  QPalette p = palette();
  p.setColor(QPalette::Text, lit ? ui::GREEN : parentWidget()->palette().color(QPalette::Text));
  setPalette(p);
}
