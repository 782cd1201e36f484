// The committing text field (see the header).
#include "ui/commit_field.h"

#include <QFocusEvent>
#include <QKeyEvent>

CommitField::CommitField(QWidget* parent) : QLineEdit(parent) {}

void CommitField::setValue(const std::string& value) {
  value_ = QString::fromStdString(value);
  if (!editing_ && text() != value_) setText(value_);
}

void CommitField::focusInEvent(QFocusEvent* event) {
  editing_ = true;
  QLineEdit::focusInEvent(event);
}

void CommitField::focusOutEvent(QFocusEvent* event) {
  QLineEdit::focusOutEvent(event);
  // A pop-up (the field's own menu: Paste, Undo) gives the keyboard back when it closes: the user is still
  // editing here.
  if (event->reason() == Qt::PopupFocusReason) return;
  handOver();
}

void CommitField::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    // The focus stays, and the field shows the engine's answer until the user types again.
    handOver();
    return;
  }
  if (event->key() == Qt::Key_Escape) {
    editing_ = false;
    setText(value_);
    return;
  }
  editing_ = true;
  QLineEdit::keyPressEvent(event);
}

void CommitField::handOver() {
  const bool changed = text() != value_;
  editing_ = false;
  const auto typed = text().toStdString();
  // Shown at once, so that a refused text does not linger when the engine's value stays the same.
  setText(value_);
  if (changed && commit) commit(typed);
}
