// The tray icon and its menu (see the header).
#include "ui/tray.h"

#include <QCursor>
#include <QPainter>

#include "shell/umbrella.h"
#include "ui/colours.h"

namespace ui {

namespace {

// A menu line as the user sees it, to tell whether the menu needs building again.
std::string seen(const MenuLine& line) {
  if (line.separator) return "---";
  return line.title + (line.enabled ? "|on" : "|off") + (line.checked ? (*line.checked ? "|x" : "|o") : "");
}

}  // namespace

Tray::Tray(const std::shared_ptr<Umbrella>& umbrella, QObject* parent)
    : QObject(parent),
      umbrella_(umbrella),
      menu_(std::make_unique<QMenu>()),
      menuFollows_(MENU_FOLLOWS, false, [this] { rebuild(false); }),
      hosted_(available()) {
  icon_.setIcon(drawnIcon());
  icon_.setToolTip(Umbrella::TOOL_TIP);
  icon_.setContextMenu(menu_.get());
  // Built afresh whatever it shows: a check mark the menu flipped by itself is put right.
  connect(menu_.get(), &QMenu::aboutToShow, this, [this] { rebuild(true); });
  // A left click opens the same menu as a right click.
  connect(&icon_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
    if (reason == QSystemTrayIcon::Trigger) menu_->popup(QCursor::pos());
  });
  subscriptions_.emplace_back(umbrella, [this] { follow(); });
  for (const auto& m : umbrella->MODULES)
    subscriptions_.emplace_back(umbrella, m.get(), [this] { follow(); });
  connect(&hostLook_, &QTimer::timeout, this, [this] { lookForHost(); });
  hostLook_.start(LOOK_FOR_HOST_MS);
  rebuild(true);
}

Tray::~Tray() {
  icon_.setContextMenu(nullptr);
}

bool Tray::available() {
  return QSystemTrayIcon::isSystemTrayAvailable();
}

QIcon Tray::drawnIcon() {
  // Drawn here rather than shipped as a picture: the word on a dark tile reads on light and dark panels.
  QPixmap pixmap(64, 64);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(Qt::NoPen);
  painter.setBrush(INK);
  painter.drawRoundedRect(QRectF(0, 8, 64, 48), 10, 10);
  QFont font = monospaced(24, true);
  // As large as fits in the tile with a little margin.
  while (font.pixelSize() > 8 && QFontMetrics(font).horizontalAdvance("MIDI") > 58)
    font.setPixelSize(font.pixelSize() - 1);
  painter.setFont(font);
  painter.setPen(Qt::white);
  painter.drawText(QRect(0, 8, 64, 48), Qt::AlignCenter, "MIDI");
  painter.end();
  return QIcon(pixmap);
}

void Tray::follow() {
  const auto u = umbrella_.lock();
  if (u) menuFollows_.changed(u->loop());
}

void Tray::rebuild(bool always) {
  const auto u = umbrella_.lock();
  if (!u) return;
  auto lines = u->menu();
  std::vector<std::string> now;
  for (const auto& line : lines)
    now.push_back(seen(line));
  if (now == shown_ && !always) return;
  shown_ = std::move(now);
  menu_->clear();
  for (auto& line : lines) {
    if (line.separator) {
      menu_->addSeparator();
      continue;
    }
    auto* action = menu_->addAction(QString::fromStdString(line.title));
    action->setEnabled(line.enabled);
    if (line.checked) {
      action->setCheckable(true);
      action->setChecked(*line.checked);
    }
    if (line.action) connect(action, &QAction::triggered, this, [run = std::move(line.action)] { run(); });
  }
}

void Tray::lookForHost() {
  const bool now = available();
  if (now == hosted_) return;
  hosted_ = now;
  emit hostedChanged(now);
}

}  // namespace ui
