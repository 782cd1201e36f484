// Fuzz target for the MK module's settings file: the input is the file in a temporary home, and an engine on
// the test doubles starts on it, plays its first rows and the blob, adds a row and saves. Nothing may crash,
// a file that does not read is kept aside byte for byte, and what was saved reads back to the same table and
// settings.
#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>

#include "check.h"
#include "common/json_file.h"
#include "mackie/engine/engine.h"
#include "settings_input.h"
#include "support/engine_services.h"
#include "support/fake_audio_output.h"
#include "support/fake_blob_window.h"
#include "support/fake_midi_system.h"
#include "support/fake_workspace.h"
#include "support/recording_key_output.h"
#include "support/temp_folder.h"
#include "support/virtual_loop.h"

namespace {

using fuzz::check;

// Rows played through the engine per input: enough for a held button next to a knob, few enough to stay fast.
constexpr std::size_t PLAYED = 4;

struct World {
  VirtualLoop loop;
  FakeMidiSystem midi{loop};
  FakeAudioOutput audio;
  RecordingKeyOutput keys;
  FakeWorkspace workspace;

  World() {
    midi.addSource("Port 1");
    midi.addDestination("Midi Through Port-0");
    midi.addDestination("Port 3");
  }

  std::shared_ptr<MKEngine> engine(const std::string& home) {
    auto services = mkServicesAt(home, loop, midi, audio, keys, workspace);
    services.blobWindow = [] { return std::make_unique<FakeBlobWindow>(); };
    return std::make_shared<MKEngine>(std::move(services));
  }
};

void checkSameSettings(const MKEngine& a, const MKEngine& b) {
  check(a.view().rows == b.view().rows);
  check(a.power() == b.power() && a.blobOn() == b.blobOn());
  check(a.device() == b.device() && a.outWant() == b.outWant() && a.back() == b.back());
  check(a.blobSize() == b.blobSize() && a.blobHold() == b.blobHold());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const TempFolder home;
  const std::string text(reinterpret_cast<const char*>(data), size);
  const auto path = fuzz::settingsFile(home, "midi-to-mk.json", text);
  const bool readable = readJsonObject(path).object.has_value();

  World world;
  const auto engine = world.engine(home.path());
  engine->start();
  // Stored sizes and times at or below zero are replaced when read.
  check(engine->blobSize() > 0 && engine->blobHold() > 0);
  engine->status();
  engine->why();

  auto played = engine->view().rows;
  played.resize(std::min(PLAYED, played.size()));
  for (const auto& row : played) {
    engine->tryRow(row);
    engine->onMessage(engine->device(), {row.from, row.number, row.value.value_or(127), std::nullopt});
    engine->onMessage(engine->device(), {row.from, row.number, 0, std::nullopt});
  }
  engine->blobSay("fuzz", "playstop");
  world.loop.advance(1.0);

  fuzz::checkAddTakesAFreshId(*engine);
  engine->stop();

  if (!readable) check(home.read(".config/midi-to-mk.json.broken") == text);

  World again;
  const auto reread = again.engine(home.path());
  reread->load();
  checkSameSettings(*engine, *reread);
  return 0;
}
