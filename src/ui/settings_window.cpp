// The settings window (see the header).
#include "ui/settings_window.h"

#include <QDesktopServices>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include "shell/umbrella.h"
#include "ui/colours.h"
#include "ui/module_section.h"
#include "ui/permissions_word.h"
#include "ui/tab_row.h"
#include "ui/widgets.h"
#include "ui/windows.h"

namespace ui {

namespace {

QWidget* divider(QWidget* parent) {
  auto* line = new QWidget(parent);
  line->setFixedHeight(1);
  line->setAutoFillBackground(true);
  QPalette p = line->palette();
  p.setColor(QPalette::Window, QColor(255, 255, 255, 28));
  line->setPalette(p);
  return line;
}

QString version() {
  return "v" + QString::number(Umbrella::VERSION);
}

// The window may not become narrower than what it shows: a module's screen, a table row wide, sets its least
// width, and the window grows to it whenever the screen shown changes.
class ContentScroll : public QScrollArea {
 public:
  using QScrollArea::QScrollArea;

  QSize minimumSizeHint() const override {
    QSize hint = QScrollArea::minimumSizeHint();
    if (widget() != nullptr)
      hint.setWidth(widget()->minimumSizeHint().width() + verticalScrollBar()->sizeHint().width() +
                    2 * frameWidth());
    return hint;
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == widget() && event->type() == QEvent::LayoutRequest) updateGeometry();
    return QScrollArea::eventFilter(watched, event);
  }
};

}  // namespace

SettingsWindow::SettingsWindow(std::shared_ptr<Umbrella> umbrella, std::shared_ptr<Permissions> permissions,
                               bool noTray, std::function<void()> quit, QWidget* parent)
    : QWidget(parent), umbrella_(umbrella), quit_(std::move(quit)) {
  setWindowTitle(TITLE);
  setAttribute(Qt::WA_QuitOnClose, false);
  setPalette(darkPalette());
  setAutoFillBackground(true);
  onTop_ = QSettings().value(ON_TOP, false).toBool();
  setWindowFlag(Qt::WindowStaysOnTopHint, onTop_);

  auto* content = new QWidget;
  auto* body = new QVBoxLayout(content);
  body->setContentsMargins(0, 12, 0, 12);
  body->setSpacing(14);
  body->addLayout(liveLine());
  body->addLayout(versionRow());
  body->addStretch(0);  // takes the room only while no section wants it
  body_ = body;

  auto* scroll = new ContentScroll(this);
  scroll->setAccessibleName("the chosen module");  // the screen under the tabs, for a screen reader
  scroll->setFrameShape(QFrame::NoFrame);
  scroll->setWidgetResizable(true);
  scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  scroll->setBackgroundRole(QPalette::Window);
  scroll->viewport()->setBackgroundRole(QPalette::Window);
  scroll->setWidget(content);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(16, 10, 16, 0);
  layout->setSpacing(8);
  layout->addLayout(header(permissions, noTray));
  layout->addWidget(divider(this));
  layout->addWidget(new TabRow(umbrella, this));
  layout->addWidget(divider(this));
  layout->addWidget(scroll, 1);
  resize(820, 820);

  umbrella->showSettings = [window = QPointer<SettingsWindow>(this)] {
    if (window) bringToFront(*window);
  };
  subscription_ = Subscription(umbrella, [this] { redraw(); });
  redraw();
}

SettingsWindow::~SettingsWindow() = default;

QLayout* SettingsWindow::header(const std::shared_ptr<Permissions>& permissions, bool noTray) {
  auto* name = new QLabel("ORVANE VUDA VERER", this);
  name->setFont(monospaced(12, true));
  setTextColour(*name, Qt::white);
  auto* ver = new QLabel(version(), this);
  ver->setObjectName("version");
  ver->setFont(monospaced(11));
  setTextColour(*ver, GREY);
  top_ = new Word(
      "top", onTop_, [this] { flipTop(); }, "top", {}, this);
  top_->setToolTip(TOP_HELP);

  auto* row = new QHBoxLayout;
  row->setSpacing(4);
  row->addWidget(name);
  row->addSpacing(10);
  // ON is only the lit half of the application's power switch; OFF ends the program.
  row->addWidget(new Word("ON", true, {}, "app-on", {}, this));
  row->addWidget(new Word(
      "OFF", false,
      [this] {
        if (quit_) quit_();
      },
      "app-off", {}, this));
  row->addSpacing(10);
  row->addWidget(ver);
  row->addSpacing(10);
  row->addWidget(top_);
  row->addStretch(1);
  row->addWidget(new PermissionsWord(permissions, this));
  row->addWidget(new CloseX({}, this));

  auto* rows = new QVBoxLayout;
  rows->setSpacing(2);
  rows->addLayout(row);
  noTray_ = new Small(NO_TRAY, this);
  noTray_->setObjectName("noTray");
  noTray_->setVisible(noTray);
  rows->addWidget(noTray_);
  return rows;
}

void SettingsWindow::setNoTray(bool noTray) {
  noTray_->setVisible(noTray);
}

QLayout* SettingsWindow::liveLine() {
  live_ = new QLabel;
  live_->setObjectName("live");
  live_->setFont(monospaced(13, true));
  auto* row = new QHBoxLayout;
  row->addWidget(new Label10("ABLETON LIVE"));
  row->addStretch(1);
  row->addWidget(live_);
  return row;
}

QLayout* SettingsWindow::versionRow() {
  auto* releases = new TextButton(version(), monospaced(11), GREY,
                                  [] { QDesktopServices::openUrl(QUrl(Umbrella::RELEASES)); });
  releases->setObjectName("releases");
  releases->setAccessibleName("Release page");
  auto* row = new QHBoxLayout;
  row->addStretch(1);
  row->addWidget(releases);
  return row;
}

void SettingsWindow::redraw() {
  const auto u = umbrella_.lock();
  if (!u) return;
  const bool running = u->liveRunning();
  live_->setText(running ? "RUNNING" : "NOT RUNNING");
  setTextColour(*live_, running ? GREEN : GREY);

  if (section_ && section_->module().id() == u->tab) return;
  if (section_) {
    body_->removeWidget(section_);
    // Later, not now: this may run inside a click of the old section.
    section_->hide();
    section_->deleteLater();
    section_ = nullptr;
  }
  if (auto* m = u->module(u->tab)) {
    section_ = new ModuleSection(u, *m);
    body_->insertWidget(1, section_, 1);
  }
}

void SettingsWindow::flipTop() {
  onTop_ = !onTop_;
  QSettings().setValue(ON_TOP, onTop_);
  top_->setOn(onTop_);
  floatWindows(onTop_);
}

void SettingsWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (shownOnce_) return;
  shownOnce_ = true;
  // Soon, not during the show: the other windows of the application float with this one.
  QTimer::singleShot(0, this, [this] { floatWindows(onTop_); });
}

}  // namespace ui
