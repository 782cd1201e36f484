// The command picker (see the header).
#include "ui/mackie/command_menu.h"

#include <QKeyEvent>
#include <QMenu>

#include "mackie/core/catalogue.h"
#include "ui/mackie/style.h"

MKCommandMenu::MKCommandMenu(QWidget* parent) : QPushButton(parent) {
  setFocusPolicy(Qt::StrongFocus);
  setFlat(false);
  connect(this, &QPushButton::clicked, this, &MKCommandMenu::open);
}

void MKCommandMenu::setCommand(const std::string& id, const std::string& label) {
  if (id == id_ && !text().isEmpty()) return;
  id_ = id;
  // An unknown command still shows what the row names, so that it can be seen and replaced. A long label is
  // cut short to the button; the row gives the whole one as its help text.
  const auto shown = ui::qs(label.empty() ? id : label);
  setText(fontMetrics().elidedText(shown, Qt::ElideRight, width() - 16));
}

void MKCommandMenu::build() {
  menu_ = new QMenu(this);
  for (const auto& [heading, items] : MKMCU::catalogue()) {
    auto* section = menu_->addMenu(ui::qs(heading));
    for (const auto* command : items) {
      auto* entry = section->addAction(ui::qs(command->label));
      entry->setCheckable(true);
      entry->setData(ui::qs(command->id));
      connect(entry, &QAction::triggered, this, [this, id = command->id] {
        if (id != id_ && pick) pick(id);
      });
    }
  }
}

void MKCommandMenu::open() {
  if (!menu_) build();
  for (auto* section : menu_->actions()) {
    bool holds = false;
    for (auto* entry : section->menu()->actions()) {
      const bool current = entry->data().toString().toStdString() == id_;
      entry->setChecked(current);
      holds = holds || current;
    }
    // The heading that holds the current command is marked, so the way to it can be seen at once.
    QFont font = menu_->font();
    font.setBold(holds);
    section->setFont(font);
  }
  menu_->popup(mapToGlobal(QPoint(0, height())));
}

void MKCommandMenu::keyPressEvent(QKeyEvent* event) {
  // Like a pop-up choice, the arrows open the picker.
  if (event->key() == Qt::Key_Down || event->key() == Qt::Key_Up) {
    open();
    return;
  }
  QPushButton::keyPressEvent(event);
}
