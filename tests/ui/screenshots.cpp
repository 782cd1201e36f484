// Lays the windows out on a shell of test doubles with a little history (a controller that played, Live
// running, a permission missing) and saves what they look like as PNG files: the settings window on each tab
// and with a module off, the dry window, the tray's icon and menu, and the command blob over the screen. Run
// it on a real X display (QT_QPA_PLATFORM=xcb) to see the desktop's own rendering.
#include <QApplication>
#include <QDir>
#include <QScreen>
#include <QTest>
#include <cstdio>

#include "mackie/engine/blob.h"
#include "support/test_shell.h"
#include "ui/blob_panel.h"
#include "ui/dry_window.h"
#include "ui/settings_window.h"
#include "ui/tray.h"

namespace {

QString folder;
bool allSaved = true;

void save(const QPixmap& picture, const QString& name) {
  const QString path = folder + "/" + name + ".png";
  const bool saved = picture.save(path);
  allSaved = allSaved && saved;
  std::printf("%s %s\n", saved ? "saved" : "could not save", qPrintable(path));
}

void shoot(QWidget& window, const QString& name) {
  window.show();
  (void)QTest::qWaitForWindowExposed(&window);
  QTest::qWait(150);
  save(window.grab(), name);
}

// A controller that turned a knob and pressed pads, so that the traces have something to say.
void play(TestShell& shell, MidiRef controller) {
  for (int value : {65, 65, 63})
    shell.midi.send3(controller, 0xB0, 21, value);
  shell.midi.send3(controller, 0x90, 36, 127);
  shell.midi.send3(controller, 0xB0, 1, 100);
  shell.midi.send3(controller, 0xB0, 7, 64);
  shell.settle(0.5);
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  folder = argc > 1 ? argv[1] : SCREENSHOTS_DIR;
  QDir().mkpath(folder);

  TestShell shell;
  const auto controller = shell.midi.addSource("Port 1", "OXI E16");
  shell.midi.addDestination("Midi Through Port-0", "Midi Through");
  shell.home.write(".config/midi-to-mk.json", R"({"device": "Port 1", "rows": [
      {"id": 1, "from": "cc", "number": 21, "command": "jog", "how": "twos"},
      {"id": 2, "from": "note", "number": 36, "command": "playstop"}]})");
  shell.home.write(".config/midi-to-keystroke.json", R"({"device": "Port 1", "rows": [
      {"id": 1, "cc": 1, "key": "s", "mods": ["cmd"]}, {"id": 2, "cc": 7, "kind": "volume"}]})");
  const RunningApp live{4242, "Ableton Live 12 Suite", ""};
  shell.workspace.apps.push_back(live);
  shell.keys.isTrusted = false;
  shell.start();
  shell.permissions->watch();
  play(shell, controller);

  ui::SettingsWindow window(shell.umbrella, shell.permissions, !ui::Tray::available(), [] {});
  window.move(0, 0);
  shoot(window, "settings-mackie");
  shell.umbrella->setTab("midikeys");
  shell.settle();
  shoot(window, "settings-midikeys");
  shell.umbrella->setModule("midikeys", false);
  shell.settle();
  shoot(window, "settings-midikeys-off");
  shell.umbrella->setModule("midikeys", true);
  shell.umbrella->setTab("mackie");
  shell.settle();
  window.hide();

  ui::DryWindow dry(*shell.midikeys);
  dry.open();
  play(shell, controller);
  shoot(dry, "dry-window");
  dry.hide();

  ui::Tray tray(shell.umbrella);
  save(ui::Tray::drawnIcon().pixmap(64, 64), "tray-icon");
  emit tray.menu().aboutToShow();
  tray.menu().popup({40, 40});
  QTest::qWait(150);
  save(tray.menu().grab(), "tray-menu");
  tray.menu().hide();

  // The blob over the settings window, at home on the primary screen.
  window.show();
  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  shell.workspace.screenList = {{{0, 0, double(screen.width()), double(screen.height())}, {}}};
  auto panel = std::make_unique<ui::BlobPanel>();
  auto& blobView = panel->widget();
  const auto blob = std::make_shared<MKBlob>(std::move(panel), shell.loop, shell.workspace, 22, std::nullopt,
                                             [&] { return shell.workspace.screenList.front().frame; });
  blob->say(MKBlob::line("the toast", "PLAY / STOP"), 60);
  (void)QTest::qWaitForWindowExposed(&blobView);
  QTest::qWait(300);
  save(blobView.grab(), "blob");
  save(QGuiApplication::primaryScreen()->grabWindow(0), "blob-on-screen");
  blob->destroy();
  return allSaved ? 0 : 1;
}
