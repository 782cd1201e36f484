// One module's part of the window: its title, its ON / OFF switch and state word, the line about it, and,
// while it is on, its own screen.
#pragma once

#include <QLabel>
#include <QWidget>
#include <memory>

#include "ui/subscription.h"

class LiveModule;
class QVBoxLayout;
class Umbrella;

namespace ui {

class Word;

class ModuleSection : public QWidget {
  Q_OBJECT

 public:
  // `module` is one of the shell's modules, which live as long as the shell.
  ModuleSection(const std::shared_ptr<Umbrella>& umbrella, LiveModule& module, QWidget* parent = nullptr);

  const LiveModule& module() const { return module_; }
  // The module's own screen; none while the module is off.
  QWidget* screen() const { return screen_; }

 protected:
  bool event(QEvent* event) override;

 private:
  void redraw();
  bool moduleOn() const;
  void makeScreen();

  std::weak_ptr<Umbrella> umbrella_;
  LiveModule& module_;
  Word* on_ = nullptr;
  Word* off_ = nullptr;
  QLabel* status_ = nullptr;
  QVBoxLayout* layout_ = nullptr;
  QWidget* screen_ = nullptr;
  bool screenDue_ = false;
  Subscription shell_;
  Subscription moduleChanged_;
};

}  // namespace ui
