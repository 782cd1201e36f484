// The application's icon in the desktop's tray, drawn from the word "MIDI", with the shell's menu: built
// again from the shell's lines each time it opens, so that it always says how things are now.
#pragma once

#include <QIcon>
#include <QMenu>
#include <QObject>
#include <QSystemTrayIcon>
#include <memory>

class Umbrella;

namespace ui {

class Tray : public QObject {
  Q_OBJECT

 public:
  explicit Tray(const std::shared_ptr<Umbrella>& umbrella, QObject* parent = nullptr);
  ~Tray() override;

  // Whether the desktop shows tray icons at all; without a tray the window is the way in.
  static bool available();
  static QIcon drawnIcon();

  QSystemTrayIcon& icon() { return icon_; }
  QMenu& menu() { return *menu_; }
  void show() { icon_.show(); }

 private:
  void rebuild();

  std::weak_ptr<Umbrella> umbrella_;
  std::unique_ptr<QMenu> menu_;
  QSystemTrayIcon icon_;
};

}  // namespace ui
