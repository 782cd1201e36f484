// The application's one window: a header with the application's switches, the tab row, and in a scrolling
// area the line about Live, the chosen module's section and the version. Closing it never ends the program.
#pragma once

#include <QWidget>
#include <functional>
#include <memory>

#include "ui/subscription.h"

class Permissions;
class QLabel;
class QVBoxLayout;
class Umbrella;

namespace ui {

class ModuleSection;
class Word;

class SettingsWindow : public QWidget {
  Q_OBJECT

 public:
  static constexpr const char* NO_TRAY =
      "no tray on this desktop: close this window to hide it; run the program again to bring it back";
  static constexpr const char* TOP_HELP = "Always on top: green, the window stays above every other window";
  // The QSettings key of "top".
  static constexpr const char* ON_TOP = "onTop";

  // `noTray`: the desktop has no tray (yet), so the header says how the window comes back. `quit` ends the
  // program (the header's OFF). The window answers the shell's "Settings…" by coming to the front.
  SettingsWindow(std::shared_ptr<Umbrella> umbrella, std::shared_ptr<Permissions> permissions, bool noTray,
                 std::function<void()> quit, QWidget* parent = nullptr);
  ~SettingsWindow() override;

  // Whether the header says that the desktop has no tray: a tray host may come, or go, later.
  void setNoTray(bool noTray);

  // The section shown now; none when no module has the chosen tab's id.
  ModuleSection* section() const { return section_; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  QLayout* header(const std::shared_ptr<Permissions>& permissions, bool noTray);
  QLayout* liveLine();
  QLayout* versionRow();
  void redraw();
  void flipTop();

  std::weak_ptr<Umbrella> umbrella_;
  std::function<void()> quit_;
  bool onTop_ = false;
  bool shownOnce_ = false;
  Word* top_ = nullptr;
  QWidget* noTray_ = nullptr;
  QLabel* live_ = nullptr;
  QVBoxLayout* body_ = nullptr;
  ModuleSection* section_ = nullptr;
  Subscription subscription_;
};

}  // namespace ui
