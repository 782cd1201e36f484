// A module's section (see the header).
#include "ui/module_section.h"

#include <QCoreApplication>
#include <QEvent>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "shell/umbrella.h"
#include "ui/colours.h"
#include "ui/module_views.h"
#include "ui/widgets.h"

namespace ui {

namespace {

const auto MAKE_SCREEN = static_cast<QEvent::Type>(QEvent::registerEventType());

}  // namespace

ModuleSection::ModuleSection(const std::shared_ptr<Umbrella>& umbrella, LiveModule& module, QWidget* parent)
    : QWidget(parent), umbrella_(umbrella), module_(module) {
  setObjectName("section:" + QString::fromStdString(module.id()));
  const auto setModule = [this](bool on) {
    return [this, on] {
      if (const auto u = umbrella_.lock()) u->setModule(module_.id(), on);
    };
  };

  auto* title = new QLabel(QString::fromStdString(module.title()), this);
  title->setFont(monospaced(12, true));
  setTextColour(*title, Qt::white);
  on_ = new Word("ON", false, setModule(true), "module-on", {}, this);
  off_ = new Word("OFF", false, setModule(false), "module-off", {}, this);
  status_ = new QLabel(this);
  status_->setObjectName("status");
  status_->setFont(plain(13, true));
  setTextColour(*status_, AMBER);

  auto* head = new QHBoxLayout;
  head->setSpacing(6);
  head->addWidget(title);
  head->addSpacing(8);
  head->addWidget(on_);
  head->addWidget(off_);
  head->addSpacing(8);
  head->addWidget(status_);
  head->addStretch(1);

  layout_ = new QVBoxLayout(this);
  layout_->setContentsMargins(0, 0, 0, 0);
  layout_->setSpacing(6);
  layout_->addLayout(head);
  layout_->addWidget(new Small(QString::fromStdString(module.about()), this));
  layout_->addStretch(0);  // keeps the lines together at the top while there is no screen below them

  shell_ = Subscription(umbrella, [this] { redraw(); });
  moduleChanged_ =
      Subscription(umbrella, &module, [this] { status_->setText(QString::fromStdString(module_.status())); });
  redraw();
}

void ModuleSection::redraw() {
  const auto u = umbrella_.lock();
  if (!u) return;
  const bool on = moduleOn();
  on_->setOn(on);
  off_->setOn(!on);
  status_->setText(QString::fromStdString(module_.status()));

  if (on && !screen_ && !screenDue_) {
    // On a turn of the loop of its own, behind what waits, MIDI included: a screen is most of the window's
    // work.
    screenDue_ = true;
    QCoreApplication::postEvent(this, new QEvent(MAKE_SCREEN), Qt::LowEventPriority);
  } else if (!on && screen_) {
    layout_->removeWidget(screen_);
    // Later, not now: this may run inside the screen's own click.
    screen_->hide();
    screen_->deleteLater();
    screen_ = nullptr;
  }
}

bool ModuleSection::moduleOn() const {
  const auto u = umbrella_.lock();
  if (!u) return false;
  const auto entry = u->on.find(module_.id());
  return entry != u->on.end() && entry->second;
}

bool ModuleSection::event(QEvent* event) {
  if (event->type() != MAKE_SCREEN) return QWidget::event(event);
  makeScreen();
  return true;
}

void ModuleSection::makeScreen() {
  screenDue_ = false;
  if (screen_ || !moduleOn()) return;
  // Made anew each time it appears, so that it starts from the engine's state of now.
  screen_ = screenOf(module_);
  if (screen_) {
    screen_->setObjectName("screen");
    layout_->insertWidget(layout_->count() - 1, screen_, 1);
    screen_->show();  // now, not on yet another turn
  }
}

}  // namespace ui
