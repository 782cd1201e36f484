// The field (see the header).
#include "ui/kit/field.h"

namespace ui {

Field::Field(int width, const FieldLook& look, QWidget* parent) : CommitField(parent), look_(look) {
  setFixedWidth(width);
  if (look_.font) setFont(*look_.font);
  setAlignment(Qt::AlignCenter);
}

void Field::setLit(bool lit) {
  if (lit == lit_) return;
  lit_ = lit;
  // Only on a change: a new palette makes Qt lay the field out again. Unlit, it takes its parent's colours.
  const QPalette around = parentWidget()->palette();
  QPalette p = palette();
  p.setColor(QPalette::Text, lit ? look_.litText : around.color(QPalette::Text));
  if (look_.litBase) p.setColor(QPalette::Base, lit ? *look_.litBase : around.color(QPalette::Base));
  setPalette(p);
}

}  // namespace ui
