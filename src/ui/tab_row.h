// The strip of tabs under the window's header: one per module, in the shell's order, each with a dot that is
// green while its module is on. A click shows that module's section.
#pragma once

#include <QAbstractButton>
#include <memory>
#include <string>
#include <vector>

#include "ui/subscription.h"

class Umbrella;

namespace ui {

// One tab; the row says what it shows.
class ModuleTab : public QAbstractButton {
  Q_OBJECT

 public:
  ModuleTab(const QString& id, const QString& title, QWidget* parent = nullptr);

  void present(bool moduleOn, bool chosen);
  QColor dotColour() const { return dot_; }
  QColor titleColour() const { return palette().color(QPalette::ButtonText); }
  bool chosen() const { return chosen_; }
  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QColor dot_;
  bool chosen_ = false;
};

class TabRow : public QWidget {
  Q_OBJECT

 public:
  explicit TabRow(const std::shared_ptr<Umbrella>& umbrella, QWidget* parent = nullptr);

  // The tab of a module, found by its id.
  ModuleTab* tab(const std::string& id) const;

 private:
  void redraw();

  std::weak_ptr<Umbrella> umbrella_;
  std::vector<std::pair<std::string, ModuleTab*>> tabs_;
  Subscription subscription_;
};

}  // namespace ui
