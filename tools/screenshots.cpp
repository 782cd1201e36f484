// Saves what the windows look like as PNG files, for people to look at: the settings window on each tab and
// with a module off, the dry window, the tray's icon and menu, the command blob over the screen, and each
// module's section empty, with a full table (one row learning, two rows clashing) and, for Key Stroke, while
// it captures a key. The shell runs on the test doubles with a little history: a controller that played, Live
// running, a permission missing. Run it on a real X display (QT_QPA_PLATFORM=xcb) to see the desktop's own
// rendering; the pictures go to the folder given, else to the build's screenshots folder.
#include <QApplication>
#include <QDir>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <cstdio>

#include "mackie/engine/blob.h"
#include "support/test_shell.h"
#include "ui/blob_panel.h"
#include "ui/dry_window.h"
#include "ui/keystroke/section.h"
#include "ui/keystroke/trace_band.h"
#include "ui/mackie/section.h"
#include "ui/settings_window.h"
#include "ui/tray.h"

namespace {

QString folder;
bool allSaved = true;

void save(const QPixmap& picture, const QString& name) {
  const QString path = folder + "/" + name + ".png";
  allSaved = picture.save(path) && allSaved;
  std::printf("saved %s\n", qPrintable(path));
}

void shoot(QWidget& window, const QString& name) {
  window.show();
  (void)QTest::qWaitForWindowExposed(&window);
  QTest::qWait(150);
  save(window.grab(), name);
}

// Each module's section in a window of its own, laid out by the window system first (descriptions wrap to the
// width they get there), scrolled down by the given part of the way.
void shootSections(TestShell& shell, const QString& state, bool mackie = true, double scrolled = 0) {
  for (const auto& [section, name] : std::vector<std::pair<QWidget*, QString>>{
           {mackie ? new MKSection(shell.mackie->engine) : nullptr, "mk_section_"},
           {new KSSection(shell.midikeys->engine), "ks_section_"}}) {
    if (!section) continue;
    QScrollArea window;
    window.setWindowTitle("Orvane VUDA Verer");
    window.setWidgetResizable(true);
    window.setWidget(section);
    window.resize(1040, 960);
    shell.settle(KSSection::REDRAW_GAP);
    window.show();
    QTest::qWait(300);  // laid out and measured, so that the page's length is known
    window.verticalScrollBar()->setValue(static_cast<int>(window.verticalScrollBar()->maximum() * scrolled));
    shoot(window, name + state);
    if (auto* log = section->findChild<KSTraceBand*>("trace")) save(log->grab(), "ks_log_" + state);
  }
}

// A row of each kind; rows 5 and 6 answer the same message, row 7 is off, a note row learns.
constexpr const char* MK_TABLE = R"({"device": "Port 1", "rows": [
  {"id": 1, "number": 20, "command": "jog", "how": "twos"}, {"id": 3, "number": 21, "command": "fader1"},
  {"id": 2, "from": "note", "number": 36, "command": "playstop", "led": true},
  {"id": 4, "number": 22, "command": "vpot2", "how": "offset"}, {"id": 5, "number": 25, "command": "loop"},
  {"id": 6, "number": 25, "command": "markernext"},
  {"id": 7, "number": 26, "command": "mute3", "on": false}]})";
constexpr const char* KS_TABLE = R"({"device": "Port 1", "rows": [
  {"id": 1, "cc": 20, "key": "space", "led": true}, {"id": 2, "cc": 21, "key": "s", "mods": ["cmd", "shift"]},
  {"id": 3, "cc": 22, "kind": "volume", "led": true}, {"id": 4, "cc": 36, "key": "z", "type": "note"},
  {"id": 5, "cc": 26, "key": "m", "mods": ["ctrl", "shift"]}, {"id": 6, "cc": 26, "key": "left", "mods": ["alt"]},
  {"id": 8, "cc": 40, "type": "note"}, {"id": 7, "cc": 27, "key": "pad3", "mods": ["ctrl"], "on": false}]})";

// A controller that turned knobs and pressed a pad, so that lamps, monitors and traces have something to
// show.
void play(TestShell& shell, MidiRef controller) {
  for (const auto& [status, d1, d2] : std::vector<std::array<int, 3>>{
           {0xB0, 20, 1}, {0xB0, 20, 1}, {0xB0, 21, 64}, {0xB0, 22, 90}, {0x90, 36, 100}, {0xB0, 25, 127}})
    shell.midi.send3(controller, status, d1, d2);
  shell.settle(0.05);
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  folder = argc > 1 ? argv[1] : SCREENSHOTS_DIR;
  QDir().mkpath(folder);

  TestShell shell;
  const auto controller = shell.midi.addSource("Port 1", "OXI E16");
  shell.midi.addSource("Keystation 49");
  shell.midi.addDestination("Midi Through Port-0", "Midi Through");
  shell.workspace.apps.push_back({4242, "Ableton Live 12 Suite", ""});
  shell.start();
  shootSections(shell, "empty");

  // Both modules again over full tables, with a permission missing and a controller that played.
  shell.home.write(".config/midi-to-mk.json", MK_TABLE);
  shell.home.write(".config/midi-to-keystroke.json", KS_TABLE);
  for (const char* id : {"mackie", "midikeys"}) {
    shell.umbrella->setModule(id, false);
    shell.umbrella->setModule(id, true);
  }
  shell.keys.isTrusted = false;
  shell.permissions->watch();
  play(shell, controller);
  shell.mackie->engine->learn(2);
  shell.mackie->engine->tick(7);
  shell.midikeys->engine->learn(8);
  shell.midikeys->engine->tick(7);
  shootSections(shell, "table");
  shell.midikeys->engine->capture(1);
  shootSections(shell, "capturing", false);
  shell.midikeys->engine->captureStop();

  // Tables of 200 rows, and the Key Stroke log with lines arriving as a knob turns.
  nlohmann::json mk = nlohmann::json::array(), ks = nlohmann::json::array();
  const char* commands[] = {"play", "jog", "vpot1", "fader2", "mute3", "shift", "markernext", "volume"};
  for (int id = 1; id <= 200; ++id) {
    mk.push_back({{"id", id}, {"number", id % 100}, {"command", commands[id % 8]}});
    ks.push_back({{"id", id}, {"cc", id % 100}, {"key", std::string(1, char('a' + id % 26))}});
  }
  shell.home.write(".config/midi-to-mk.json", nlohmann::json{{"device", "Port 1"}, {"rows", mk}}.dump());
  shell.home.write(".config/midi-to-keystroke.json",
                   nlohmann::json{{"device", "Port 1"}, {"rows", ks}}.dump());
  for (const char* id : {"mackie", "midikeys"}) {
    shell.umbrella->setModule(id, false);
    shell.umbrella->setModule(id, true);
  }
  for (int v = 0; v < 40; v += 4) {
    shell.midi.send3(controller, 0xB0, 7, v);
    shell.settle(0.03);
  }
  shootSections(shell, "200-rows");
  shootSections(shell, "200-rows-middle", true, 0.5);
  shell.home.write(".config/midi-to-mk.json", MK_TABLE);
  shell.home.write(".config/midi-to-keystroke.json", KS_TABLE);
  for (const char* id : {"mackie", "midikeys"}) {
    shell.umbrella->setModule(id, false);
    shell.umbrella->setModule(id, true);
  }

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
  tray.menu().move(40, 40);
  shoot(tray.menu(), "tray-menu");
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
  shoot(blobView, "blob");
  save(QGuiApplication::primaryScreen()->grabWindow(0), "blob-on-screen");
  blob->destroy();
  return allSaved ? 0 : 1;
}
