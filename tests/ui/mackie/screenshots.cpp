// Draws the MK section as a person sees it and saves it as PNG files beside this program: empty, and with a
// twelve-row table in which one row is learning and two rows clash. Run it on a real X display:
// `Xvfb :5 -screen 0 1400x1000x24 & QT_QPA_PLATFORM=xcb DISPLAY=:5 build/tests/mk_screenshots`.
// Each state is saved twice: the whole section drawn by Qt, and the window as the X server shows it.
#include <QApplication>
#include <QDir>
#include <QGuiApplication>
#include <QScreen>
#include <QScrollArea>
#include <QTest>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "mackie/engine/engine.h"
#include "support/engine_services.h"
#include "support/fake_audio_output.h"
#include "support/fake_midi_system.h"
#include "support/fake_workspace.h"
#include "support/recording_key_output.h"
#include "support/temp_folder.h"
#include "support/virtual_loop.h"
#include "ui/mackie/section.h"

namespace {

using nlohmann::json;

// Page 1: knobs 1 to 8 turn CC 20 to 27 in several ring colours; knob 9 pushes note 36.
json scene() {
  json encoders = json::array();
  const int colours[] = {5, 18, 40, 57, 66, 80, 88, 96, 34};
  for (int k = 0; k < 8; ++k)
    encoders.push_back(
        {{"turn_actions", {{{"type", 3}, {"nr1", 20 + k}}}}, {"color", colours[k]}, {"abbr", "K"}});
  encoders.push_back({{"push_action", {{"type", 1}, {"nr1", 36}}}, {"color", colours[8]}});
  return {{"pages", {{{"encoders", encoders}}}}};
}

json rows() {
  const auto cc = [](int id, int number, const char* command, json extra = json::object()) {
    json r = {{"id", id}, {"from", "cc"}, {"number", number}, {"command", command}};
    r.update(extra);
    return r;
  };
  return json::array({
      cc(1, 20, "jog", {{"how", "twos"}}),
      {{"id", 2}, {"from", "note"}, {"number", 36}, {"command", "playstop"}, {"led", true}},
      cc(3, 21, "fader1", {{"how", "14"}}),
      cc(4, 22, "vpot2", {{"how", "offset"}}),
      cc(5, 23, "shift"),
      cc(6, 24, "volume", {{"how", "silent"}, {"led", true}}),
      cc(7, 25, "markernext", {{"value", 127}}),
      cc(8, 25, "loop", {{"value", 127}}),  // the same message as row 7: a clash
      cc(9, 26, "mute3", {{"value", 127}, {"on", false}}),
      cc(10, 27, "bankright", {{"value", 127}}),
      cc(11, 40, "undo", {{"value", 127}}),
      {{"id", 12}, {"from", "note"}, {"number", 48}, {"command", "record"}},
  });
}

struct World {
  VirtualLoop loop;
  FakeMidiSystem system{loop};
  FakeAudioOutput audio;
  RecordingKeyOutput keys;
  FakeWorkspace workspace;
  TempFolder home;
  MidiRef controller = system.addSource("Port 1");
  MidiRef live = system.addDestination("IAC Driver Bus 1");
  std::shared_ptr<MKEngine> engine;

  explicit World(const json& settings) {
    home.write(".config/midi-to-mk.json", settings.dump());
    home.write("Documents/my set.oxie16", scene().dump());
    engine = std::make_shared<MKEngine>(mkServicesAt(home.path(), loop, system, audio, keys, workspace));
    engine->start();
  }
  void from(int status, int d1, int d2) {
    system.send3(controller, status, d1, d2);
    loop.runDue();
  }
};

bool shoot(World& world, const QString& name) {
  QScrollArea window;
  window.setWindowTitle("Orvane VUDA Verer");
  window.setWidgetResizable(true);
  auto* section = new MKSection(world.engine);
  window.setWidget(section);
  window.resize(1000, 960);
  window.show();
  window.activateWindow();
  (void)QTest::qWaitForWindowExposed(&window);
  // Laid out by the window first: rows' descriptions wrap to the width they are given there.
  QTest::qWait(300);
  if (QWidget* focused = QApplication::focusWidget()) focused->clearFocus();
  QTest::qWait(50);
  const QString folder = SCREENSHOTS_DIR "/";
  QDir().mkpath(folder);
  const QRect frame = window.frameGeometry();
  const bool saved = section->grab().save(folder + name + ".png") &&
                     QGuiApplication::primaryScreen()
                         ->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height())
                         .save(folder + name + "-on-screen.png");
  std::printf("%s %s\n", saved ? "saved" : "could not save", qPrintable(folder + name + ".png"));
  return saved;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  {
    World empty(json{{"device", "Port 1"}});
    if (!shoot(empty, "mk_section_empty")) return 1;
  }
  World full(json{{"device", "Port 1"}, {"rows", rows()}});
  full.from(0xB0, 20, 1);  // the jog wheel turned right, twice
  full.from(0xB0, 20, 1);
  full.loop.advance(0.05);
  full.from(0xB0, 21, 64);   // the fader
  full.from(0x90, 36, 100);  // the play button held
  full.from(0xB0, 25, 127);  // the clashing pair
  full.engine->learn(12);
  full.engine->tick(9);
  full.loop.advance(0.1);
  return shoot(full, "mk_section_table") ? 0 : 1;
}
