// The Key Stroke section under load: 200 rows, and a controller sending 1,000 messages a second (a fader
// sweep, knobs and pads) for several seconds, on the Qt loop with the real engine over the test doubles.
// Prints how often the section redrew, how long each redraw and each paint of the window took, and the
// process's CPU. Run by hand: ks_screen_bench [seconds=8]; offscreen unless QT_QPA_PLATFORM says otherwise.

#include <QApplication>
#include <QEvent>
#include <QScrollArea>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <thread>
#include <vector>

#include "keystroke/engine.h"
#include "platform/qt/qt_loop.h"
#include "process_cpu.h"
#include "support/engine_services.h"
#include "support/fake_audio_output.h"
#include "support/fake_key_capture.h"
#include "support/fake_midi_system.h"
#include "support/recording_key_output.h"
#include "support/temp_folder.h"
#include "ui/keystroke/section.h"

namespace {

using Steady = std::chrono::steady_clock;
using nlohmann::json;

// Times how long the window takes to paint, whatever asked for it.
class TimedApplication : public QApplication {
 public:
  using QApplication::QApplication;
  QWidget* window = nullptr;
  std::vector<double> paints;  // milliseconds

  bool notify(QObject* receiver, QEvent* event) override {
    if (receiver != window || event->type() != QEvent::UpdateRequest)
      return QApplication::notify(receiver, event);
    const auto began = Steady::now();
    const bool done = QApplication::notify(receiver, event);
    paints.push_back(std::chrono::duration<double, std::milli>(Steady::now() - began).count());
    return done;
  }
};

// Sixteen absolute knobs on page 1, so that every row's ring explanation reads a real scene.
std::string scene() {
  json encoders = json::array();
  for (int k = 1; k <= 16; ++k)
    encoders.push_back({{"turn_actions", {{{"type", 3}, {"nr1", k}}}}, {"color", k * 5}});
  return json{{"pages", {{{"encoders", encoders}}}}}.dump();
}

// 200 rows: key rows on every CC, some with a fixed value, note rows for pads, and volume rows with lights.
json table() {
  static const char* keys[] = {"a", "s", "space", "left", "right", "f5", "return", "z"};
  json rows = json::array();
  for (int id = 1; id <= 200; ++id) {
    json r = {{"id", id}, {"cc", id % 120}};
    if (id % 25 == 0) {
      r["kind"] = "volume";
      r["led"] = true;
    } else {
      r["key"] = keys[id % 8];
      if (id % 3 == 0) r["mods"] = {"cmd"};
      if (id % 4 == 0) r["type"] = "note";
      if (id % 7 == 0) r["value"] = 127;
    }
    rows.push_back(r);
  }
  return rows;
}

void report(const char* what, std::vector<double> ms) {
  if (ms.empty()) {
    std::printf("  %-22s none\n", what);
    return;
  }
  std::sort(ms.begin(), ms.end());
  std::printf("  %-22s %5zu   median %6.2f ms   max %6.2f ms\n", what, ms.size(), ms[ms.size() / 2],
              ms.back());
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  const double seconds = argc > 1 ? std::max(1.0, std::atof(argv[1])) : 8;
  TimedApplication app(argc, argv);
  QtLoop loop;
  FakeMidiSystem midi(loop);
  FakeAudioOutput audio;
  RecordingKeyOutput keys;
  FakeKeyCapture capture;
  TempFolder home;
  const MidiRef controller = midi.addSource("Port 1");
  midi.addDestination("Port 3");
  home.write("live.oxie16", scene());
  home.write(".config/midi-to-keystroke.json", json{{"device", "Port 1"}, {"rows", table()}}.dump());
  const auto engine = std::make_shared<KSEngine>(ksServicesAt(home.path(), loop, midi, audio, keys, capture));
  engine->start();

  // The controller, on a thread of its own as MIDI arrives: one message every millisecond.
  std::atomic<bool> stop = false;
  std::atomic<long> sent = 0;
  std::thread controllerThread([&] {
    auto next = Steady::now();
    for (long i = 0; !stop; ++i) {
      switch (i % 4) {
        case 0:
        case 1:
          midi.send3(controller, 0xB0, 25, static_cast<int>(i / 2 % 128));  // the fader on a volume row
          break;
        case 2:
          midi.send3(controller, 0xB0, static_cast<int>(i / 4 % 120), 127);  // knobs
          break;
        default:
          midi.send3(controller, 0x90, static_cast<int>(i / 4 % 120), i / 4 % 2 ? 100 : 0);  // pads
      }
      ++sent;
      next += std::chrono::milliseconds(1);
      std::this_thread::sleep_until(next);
    }
  });
  // Runs the Qt loop for the benchmark's time; answers the process's CPU in percent of one core.
  const auto run = [&] {
    const double cpuBefore = processCpuSeconds();
    const long sentBefore = sent;
    const auto began = Steady::now();
    QTimer::singleShot(static_cast<int>(seconds * 1000), &app, &QApplication::quit);
    QApplication::exec();
    const double wall = std::chrono::duration<double>(Steady::now() - began).count();
    std::printf("  messages               %5ld   (%.0f a second)\n", sent - sentBefore,
                (sent - sentBefore) / wall);
    return std::pair{100 * (processCpuSeconds() - cpuBefore) / wall, wall};
  };

  std::printf(
      "ks_screen_bench: 200 rows, 1,000 messages a second, %.0f s without the window, then %.0f s with it "
      "(%s)\n",
      seconds, seconds, qPrintable(QApplication::platformName()));
  const auto [alone, aloneWall] = run();
  std::printf("  process CPU, no window %5.1f %% of one core\n", alone);

  const auto built = Steady::now();
  QScrollArea window;
  auto* section = new KSSection(engine);
  window.setWidget(section);
  window.setWidgetResizable(true);
  window.resize(1040, 760);
  window.show();
  app.window = &window;
  QApplication::processEvents();
  std::printf("  first showing          %6.1f ms\n",
              std::chrono::duration<double, std::milli>(Steady::now() - built).count());
  app.paints.clear();
  std::vector<double> redraws;
  section->redrawn = [&](std::chrono::nanoseconds took) {
    redraws.push_back(std::chrono::duration<double, std::milli>(took).count());
  };
  const auto [shown, wall] = run();
  stop = true;
  controllerThread.join();

  std::printf("  redraws a second       %5.1f   (target at most 10)\n", redraws.size() / wall);
  report("redraw (target < 16)", redraws);
  report("paint of the window", app.paints);
  std::printf("  process CPU, window    %5.1f %% of one core   (target under 10 %%)\n", shown);
  std::printf("  keys posted            %5zu\n", keys.keys.size() / 2);
  return 0;
}
