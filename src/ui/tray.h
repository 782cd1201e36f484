// The application's icon in the desktop's tray, drawn from the word "MIDI", with the shell's menu. The menu
// follows the shell and the modules as they change, whether or not the tray host says it is about to open it
// (some never do), and is brought up to date again when it does.
#pragma once

#include <QIcon>
#include <QMenu>
#include <QObject>
#include <QSystemTrayIcon>
#include <memory>
#include <string>
#include <vector>

#include "platform/loop.h"
#include "ui/subscription.h"

class Umbrella;

namespace ui {

class Tray : public QObject {
  Q_OBJECT

 public:
  // A change of the shell or a module reaches the menu this many seconds later, with every other change
  // of that time: a burst of MIDI costs the menu nothing.
  static constexpr double MENU_FOLLOWS = 0.5;

  explicit Tray(const std::shared_ptr<Umbrella>& umbrella, QObject* parent = nullptr);
  ~Tray() override;

  // Whether the desktop shows tray icons at all; without a tray the window is the way in.
  static bool available();
  static QIcon drawnIcon();

  QSystemTrayIcon& icon() { return icon_; }
  QMenu& menu() { return *menu_; }
  void show() { icon_.show(); }

 private:
  void follow();
  // Only when the lines changed, unless `always`.
  void rebuild(bool always);

  std::weak_ptr<Umbrella> umbrella_;
  std::unique_ptr<QMenu> menu_;
  QSystemTrayIcon icon_;
  std::vector<Subscription> subscriptions_;
  TaskHandle pending_;
  std::vector<std::string> shown_;  // the menu's lines as last built, to build it only when they change
};

}  // namespace ui
