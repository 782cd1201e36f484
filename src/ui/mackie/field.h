// The MK screen's text field: a committing field (what is typed stays until Return or leaving the field hands
// it over) with a width, a disabled state for a value that cannot be typed, and a lit state.
#pragma once

#include "ui/commit_field.h"

class MKField : public CommitField {
 public:
  MKField(int width, QWidget* parent);

  void setLit(bool lit);
  bool isLit() const { return lit_; }
  void setDisabled(bool disabled) { setEnabled(!disabled); }

 private:
  bool lit_ = false;
};
