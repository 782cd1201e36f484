// Pictures of the Key Stroke section for people to look at: empty; with twelve rows, one of them learning and
// two clashing; and capturing a key while no key can be posted. Run it on a real display (Xvfb will do); the
// PNGs land in the folder given, else the build folder.
#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <nlohmann/json.hpp>
#include <string>

#include "support/engine_services.h"
#include "support/fake_audio_output.h"
#include "support/fake_key_capture.h"
#include "support/fake_midi_system.h"
#include "support/recording_key_output.h"
#include "support/temp_folder.h"
#include "support/virtual_loop.h"
#include "ui/keystroke/section.h"

namespace {

using nlohmann::json;

// Page 1 of a scene: knobs 1-8 absolute on CC 1-8 in a few colours, knob 3 "Vol" also pushed as note 36.
constexpr const char* SCENE = R"({"pages":[{"encoders":[
  {"turn_actions":[{"type":3,"nr1":1}],"color":5},
  {"turn_actions":[{"type":3,"nr1":2}],"color":57,"abbr":"Pan"},
  {"turn_actions":[{"type":3,"nr1":3}],"push_action":{"type":1,"nr1":36},"color":81,"abbr":"Vol"},
  {"turn_actions":[{"type":1,"nr1":4}],"color":90},
  {"turn_actions":[{"type":3,"nr1":5}],"color":44},
  {"turn_actions":[{"type":3,"nr1":6}],"color":69},
  {"turn_actions":[{"type":3,"nr1":7}],"color":12},
  {"turn_actions":[{"type":3,"nr1":8}],"color":36}]}]})";

struct Stage {
  TempFolder home;
  VirtualLoop loop;
  FakeMidiSystem midi{loop};
  FakeAudioOutput audio;
  RecordingKeyOutput keys;
  FakeKeyCapture capture;
  MidiRef controller = midi.addSource("Port 1");
  std::shared_ptr<KSEngine> engine;

  explicit Stage(const json& settings) {
    midi.addDevice("OXI E16");
    midi.addSource("Keystation 49");
    home.write("live.oxie16", SCENE);
    home.write(".config/midi-to-keystroke.json", settings.dump());
    engine = std::make_shared<KSEngine>(ksServicesAt(home.path(), loop, midi, audio, keys, capture));
    engine->start();
    loop.runDue();
  }
  void from(MidiRef source, int status, int d1, int d2) {
    midi.send3(source, status, d1, d2);
    loop.runDue();
  }
};

bool shoot(Stage& stage, const QString& file) {
  KSSection section(stage.engine);
  section.setWindowTitle("MIDI to Key Stroke");
  stage.loop.advance(KSSection::REDRAW_GAP);
  section.resize(1040, section.sizeHint().height());
  section.show();
  QApplication::processEvents();
  return section.grab().save(file);
}

json row(int id, int cc, const char* key, json extra = json::object()) {
  json r = {{"id", id}, {"cc", cc}, {"key", key}};
  r.update(extra);
  return r;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const QString folder = argc > 1 ? argv[1] : SHOTS_DIR;
  QDir().mkpath(folder);
  bool saved = true;

  {
    Stage empty(json::object());
    saved = shoot(empty, folder + "/ks_section_empty.png") && saved;
  }
  {
    Stage busy({{"device", "Port 1"},
                {"rows",
                 {row(1, 1, "space", {{"led", true}}),
                  row(2, 2, "s", {{"mods", {"cmd", "shift"}}}),
                  {{"id", 3}, {"cc", 3}, {"kind", "volume"}, {"led", true}},
                  row(4, 4, "left", {{"value", 1}}),
                  row(5, 4, "right", {{"value", 127}}),
                  row(6, 36, "z", {{"type", "note"}, {"led", true}}),
                  row(7, 37, "f5", {{"type", "note"}, {"mods", {"ctrl", "alt"}}}),
                  row(8, 7, "m"),
                  row(9, 7, "n", {{"mods", {"cmd"}}}),
                  row(10, 8, "return", {{"on", false}}),
                  {{"id", 11}, {"cc", 40}, {"type", "note"}},
                  row(12, 6, "pad3", {{"value", 64}})}}});
    busy.from(busy.controller, 0xB0, 2, 12);
    busy.from(busy.controller, 0xB0, 3, 90);
    busy.from(busy.controller, 0xB0, 3, 91);
    busy.from(busy.controller, 0x90, 36, 100);
    busy.loop.advance(0.1);
    busy.engine->tickRow(10);
    busy.engine->set(12, "number", json(5));
    busy.engine->learn(11);
    saved = shoot(busy, folder + "/ks_section_table.png") && saved;
  }
  {
    Stage capturing(
        {{"device", "Port 1"}, {"rows", {row(1, 1, "space"), {{"id", 2}, {"cc", 3}, {"kind", "volume"}}}}});
    capturing.keys.isTrusted = false;
    capturing.loop.advance(KSEngine::TRUST_EVERY);
    capturing.engine->capture(1);
    saved = shoot(capturing, folder + "/ks_section_capturing.png") && saved;
  }
  return saved ? 0 : 1;
}
