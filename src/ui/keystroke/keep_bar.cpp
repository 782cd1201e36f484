// The history bar (see the header).
#include "ui/keystroke/keep_bar.h"

#include <QHBoxLayout>
#include <tuple>

#include "keystroke/engine.h"
#include "ui/keystroke/ink.h"

KSKeepBar::KSKeepBar(const std::shared_ptr<KSEngine>& engine, QWidget* parent) : QWidget(parent) {
  setObjectName("keep");
  const std::weak_ptr<KSEngine> weak = engine;
  const auto calling = [weak](void (*operation)(KSEngine&)) {
    return [weak, operation] {
      if (const auto e = weak.lock()) operation(*e);
    };
  };
  auto* line = new QHBoxLayout(this);
  line->setContentsMargins(0, 0, 0, 0);
  line->setSpacing(8);
  undo_ = new ui::Pill("UNDO", KSInk::pill(), calling([](KSEngine& e) { e.undo(); }), this);
  redo_ = new ui::Pill("REDO", KSInk::pill(), calling([](KSEngine& e) { e.redo(); }), this);
  last_ = ksText(KSInk::dim, this);
  delete_ = new ui::Pill("DELETE", KSInk::pill(), calling([](KSEngine& e) { e.deleteTicked(); }), this);
  for (const auto& [pill, id, name] : {std::tuple{undo_, "undo", "UNDO"}, std::tuple{redo_, "redo", "REDO"},
                                       std::tuple{delete_, "delete", "DELETE"}}) {
    pill->setObjectName(id);
    pill->setAccessibleName(name);
  }
  last_->setObjectName("last");
  line->addWidget(undo_);
  line->addWidget(redo_);
  line->addWidget(last_, 1);
  line->addWidget(delete_);
}

void KSKeepBar::refresh(KSEngine& engine) {
  const auto& keep = engine.history();
  const bool canUndo = !keep.undoStack.empty();
  const bool canRedo = !keep.redoStack.empty();
  const auto undoWhat = canUndo ? QString::fromStdString(keep.undoStack.back().what) : QString();
  undo_->setEnabled(canUndo);
  undo_->setToolTip(canUndo ? undoWhat : "nothing to undo");
  redo_->setEnabled(canRedo);
  redo_->setToolTip(canRedo ? "redo: " + QString::fromStdString(keep.redoStack.back().what)
                            : "nothing to redo");
  last_->setText(canUndo ? "last change: " + undoWhat : QString());
  const auto ticked = keep.ticked(engine.view().rows).size();
  if (ticked > 0) {
    delete_->setText(QString("DELETE %1 %2").arg(ticked).arg(ticked == 1 ? "ROW" : "ROWS"));
    delete_->setLook(ui::Pill::Look::danger);
    delete_->setToolTip("delete the ticked rows (UNDO brings them back)");
  } else {
    delete_->setText("DELETE");
    delete_->setLook(ui::Pill::Look::ghost);
    delete_->setToolTip("tick rows in the last column first");
  }
}

QList<QWidget*> KSKeepBar::focusables() const {
  return {undo_, redo_, delete_};
}
