// The table's history bar: UNDO and REDO naming the step they would take, the last change, and DELETE with
// the number of ticked rows.
#pragma once

#include <QWidget>
#include <memory>

class KSEngine;
class QLabel;
namespace ui {
class Pill;
}  // namespace ui

class KSKeepBar : public QWidget {
  Q_OBJECT

 public:
  explicit KSKeepBar(const std::shared_ptr<KSEngine>& engine, QWidget* parent = nullptr);
  void refresh(KSEngine& engine);
  QList<QWidget*> focusables() const;

 private:
  ui::Pill* undo_;
  ui::Pill* redo_;
  QLabel* last_;
  ui::Pill* delete_;
};
