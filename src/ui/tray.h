// The application's icon in the desktop's tray, drawn from the word "MIDI", with the shell's menu. The menu
// follows the shell and the modules as they change, whether or not the tray host says it is about to open it
// (some never do), and is brought up to date again when it does. A tray host may come after the program (a
// panel that starts later in the session): the icon goes to it then, and the tray says so.
#pragma once

#include <QIcon>
#include <QMenu>
#include <QObject>
#include <QSystemTrayIcon>
#include <QTimer>
#include <memory>
#include <string>
#include <vector>

#include "ui/kit/redraw_throttle.h"
#include "ui/subscription.h"

class Umbrella;

namespace ui {

class Tray : public QObject {
  Q_OBJECT

 public:
  // A change of the shell or a module reaches the menu this many seconds later, with every other change
  // of that time: a burst of MIDI costs the menu nothing.
  static constexpr double MENU_FOLLOWS = 0.5;
  // How often the tray asks whether a tray host has come or gone, in milliseconds.
  static constexpr int LOOK_FOR_HOST_MS = 1000;

  explicit Tray(const std::shared_ptr<Umbrella>& umbrella, QObject* parent = nullptr);
  ~Tray() override;

  // Whether the desktop shows tray icons now.
  static bool available();
  static QIcon drawnIcon();

  QSystemTrayIcon& icon() { return icon_; }
  QMenu& menu() { return *menu_; }
  // Shows the icon: at once when a tray host is there, else as soon as one comes.
  void show() { icon_.show(); }
  // Whether a tray host was there when the tray last looked.
  bool hosted() const { return hosted_; }

 signals:
  void hostedChanged(bool hosted);

 private:
  void follow();
  // Only when the lines changed, unless `always`.
  void rebuild(bool always);
  void lookForHost();

  std::weak_ptr<Umbrella> umbrella_;
  std::unique_ptr<QMenu> menu_;
  QSystemTrayIcon icon_;
  std::vector<Subscription> subscriptions_;
  RedrawThrottle menuFollows_;
  std::vector<std::string> shown_;  // the menu's lines as last built, to build it only when they change
  QTimer hostLook_;
  bool hosted_ = false;
};

}  // namespace ui
