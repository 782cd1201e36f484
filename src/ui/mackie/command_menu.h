// A row's command: a button showing the command's label that opens the whole catalogue as a menu, one entry
// per group heading, each holding that group's commands in catalogue order. The menu is made on first use:
// a table of many rows should not build a hundred and twenty entries per row before anyone looks.
#pragma once

#include <QPushButton>
#include <functional>
#include <string>

class QMenu;

class MKCommandMenu : public QPushButton {
 public:
  explicit MKCommandMenu(QWidget* parent);

  // The command the row names and its label (empty when the catalogue has no such command).
  void setCommand(const std::string& id, const std::string& label);
  std::function<void(const std::string& id)> pick;

  // Opens the menu under the button with the current command ticked.
  void open();
  // Nothing until first opened.
  QMenu* menu() const { return menu_; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void build();

  std::string id_;
  QMenu* menu_ = nullptr;
};
