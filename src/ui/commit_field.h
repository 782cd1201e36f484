// A one-line text field for a value the engine owns: while the user types, the typed text stays, whatever the
// engine publishes meanwhile; Return or leaving the field hands the text over once, and from then on the
// field shows the engine's value again. Its own context menu does not count as leaving it.
#pragma once

#include <QLineEdit>
#include <functional>
#include <string>

class CommitField : public QLineEdit {
 public:
  explicit CommitField(QWidget* parent = nullptr);

  // What the engine says now; not shown while the user is typing.
  void setValue(const std::string& value);
  std::function<void(const std::string& typed)> commit;

 protected:
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void handOver();

  QString value_;
  bool editing_ = false;
};
