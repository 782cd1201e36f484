// A one-line field over a value the engine owns: what is typed stays while the field has the keyboard and is
// handed over on Return or when the keyboard leaves (see ui/commit_field.h). `lit` marks a value about to be
// taken from the controller.
#pragma once

#include <QColor>
#include <QFont>
#include <optional>

#include "ui/commit_field.h"

namespace ui {

struct FieldLook {
  QColor litText{};                 // the text while lit
  std::optional<QColor> litBase{};  // and the ground, if it changes too
  std::optional<QFont> font{};      // a font of its own, else its parent's
};

class Field : public CommitField {
  Q_OBJECT

 public:
  Field(int width, const FieldLook& look, QWidget* parent = nullptr);

  void setLit(bool lit);

 private:
  FieldLook look_;
  bool lit_ = false;
};

}  // namespace ui
