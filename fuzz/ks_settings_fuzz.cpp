// Fuzz target for the Key Stroke module's settings file: the input is the file in a temporary home, and an
// engine on the test doubles starts on it, plays its first rows, adds a row and saves. Nothing may crash, a
// file that does not read is kept aside byte for byte, and what was saved reads back to the same table and
// settings.
#include <filesystem>
#include <memory>
#include <string>

#include "check.h"
#include "common/json_file.h"
#include "keystroke/engine.h"
#include "settings_input.h"
#include "support/engine_services.h"
#include "support/fake_audio_output.h"
#include "support/fake_key_capture.h"
#include "support/fake_midi_system.h"
#include "support/recording_key_output.h"
#include "support/temp_folder.h"
#include "support/virtual_loop.h"

namespace {

using fuzz::check;

// Rows played through the engine per input: enough for a key next to the volume, few enough to stay fast.
constexpr std::size_t PLAYED = 4;

struct World {
  VirtualLoop loop;
  FakeMidiSystem midi{loop};
  FakeAudioOutput audio;
  RecordingKeyOutput keys;
  FakeKeyCapture capture;

  World() {
    midi.addSource("Port 1");
    midi.addDestination("Port 3");
  }

  std::shared_ptr<KSEngine> engine(const std::string& home) {
    return std::make_shared<KSEngine>(ksServicesAt(home, loop, midi, audio, keys, capture));
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const TempFolder home;
  const std::string text(reinterpret_cast<const char*>(data), size);
  const auto path = fuzz::settingsFile(home, "midi-to-keystroke.json", text);
  const bool readable = readJsonObject(path).object.has_value();
  // How the volume is shown is never written by the engine: a save keeps the file's own entry.
  const auto blobIn = [&] {
    const auto conf = readJsonObject(path).object;
    return conf && conf->contains("blob") ? conf->at("blob") : nlohmann::json();
  };
  const auto blob = blobIn();

  World world;
  const auto engine = world.engine(home.path());
  engine->start();
  engine->why();
  engine->clashes();

  const auto& view = engine->view();
  auto played = view.rows;
  played.resize(std::min(PLAYED, played.size()));
  for (const auto& row : played) {
    engine->control(view.device, row.cc, row.value.value_or(127), 0, row.type);
    engine->control(view.device, row.cc, 0, 0, row.type);
  }
  world.loop.advance(1.0);

  fuzz::checkAddTakesAFreshId(*engine);
  engine->stop();

  if (!readable) check(home.read(".config/midi-to-keystroke.json.broken") == text);

  World again;
  const auto reread = again.engine(home.path());
  reread->load();
  const auto& read = reread->view();
  check(read.rows == view.rows);
  check(read.on == view.on && read.device == view.device && blobIn() == blob);
  return 0;
}
