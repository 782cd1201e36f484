// The MK section under a controller in full flow: 200 rows, 1,000 messages a second for several seconds, on
// the Qt loop with the section shown (Qt's offscreen platform unless QT_QPA_PLATFORM says otherwise). Prints
// how often the section redraws, how long each redraw takes (updating the widgets, then painting), and the
// process's CPU, beside the same flow with no screen at all. Run by hand:
// `build/bench/mk_screen_bench [seconds=5]`. It prints, never asserts.

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QScrollArea>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <nlohmann/json.hpp>
#include <thread>

#include "latency_figures.h"
#include "mackie/engine/engine.h"
#include "platform/qt/qt_loop.h"
#include "process_cpu.h"
#include "support/engine_services.h"
#include "support/fake_audio_output.h"
#include "support/fake_midi_system.h"
#include "support/fake_workspace.h"
#include "support/recording_key_output.h"
#include "support/temp_folder.h"
#include "ui/mackie/section.h"

namespace {

using nlohmann::json;

double msSince(const QElapsedTimer& t) {
  return static_cast<double>(t.nsecsElapsed()) / 1e6;
}

// 200 rows of every kind; the flow below moves a fader (CC 21), turns the jog wheel (CC 20) and presses a
// pad (note 36), each answered by a row, while the rest of the table stands still.
json tableOf200() {
  auto rows = json::array();
  const char* commands[] = {"play", "jog", "vpot1", "fader2", "mute3", "shift", "markernext", "volume"};
  for (int i = 0; i < 200; ++i)
    rows.push_back({{"id", i + 1}, {"from", "cc"}, {"number", 30 + i % 90}, {"command", commands[i % 8]}});
  rows[0] = {{"id", 1}, {"from", "cc"}, {"number", 21}, {"command", "fader1"}};
  rows[1] = {{"id", 2}, {"from", "cc"}, {"number", 20}, {"command", "jog"}};
  rows[2] = {{"id", 3}, {"from", "note"}, {"number", 36}, {"command", "playstop"}, {"led", true}};
  return rows;
}

// A full scene: 16 pages of 16 knobs, so that asking which knob a row is on costs what it costs for real.
json scene() {
  auto pages = json::array();
  for (int p = 0; p < 16; ++p) {
    auto encoders = json::array();
    for (int k = 0; k < 16; ++k)
      encoders.push_back({{"turn_actions", {{{"type", 3}, {"nr1", (p * 16 + k) % 128}}}},
                          {"push_action", {{"type", 1}, {"nr1", k + 1}}},
                          {"color", (p + k) % 100},
                          {"abbr", "K" + std::to_string(k)}});
    pages.push_back({{"channel", p + 1}, {"encoders", encoders}});
  }
  return {{"pages", pages}};
}

// The window around the section; it times each paint of what changed.
class TimedWindow : public QScrollArea {
 public:
  std::vector<double> paints;

 protected:
  bool event(QEvent* e) override {
    if (e->type() != QEvent::UpdateRequest) return QScrollArea::event(e);
    QElapsedTimer t;
    t.start();
    const bool done = QScrollArea::event(e);
    paints.push_back(msSince(t));
    return done;
  }
};

// The application, timing each event it hands out by the event's type (outermost events only), so that the
// cost of laying out and painting the window shows beside the engine's own work.
class TimingApp : public QApplication {
 public:
  using QApplication::QApplication;
  std::map<int, double> ms;
  bool notify(QObject* receiver, QEvent* e) override {
    if (depth_++ > 0) {
      const bool done = QApplication::notify(receiver, e);
      --depth_;
      return done;
    }
    QElapsedTimer t;
    t.start();
    const int type = e->type();  // the event may be gone afterwards
    const bool done = QApplication::notify(receiver, e);
    ms[type] += msSince(t);
    --depth_;
    return done;
  }

 private:
  int depth_ = 0;
};

void runFor(double seconds) {
  QEventLoop events;
  QTimer::singleShot(static_cast<int>(seconds * 1000), &events, &QEventLoop::quit);
  events.exec();
}

void run(bool withScreen, double seconds) {
  QtLoop loop;
  FakeMidiSystem system(loop);
  FakeAudioOutput audio;
  RecordingKeyOutput keys;
  FakeWorkspace workspace;
  TempFolder home;
  const MidiRef controller = system.addSource("Port 1");
  system.addDestination("IAC Driver Bus 1");
  home.write("Documents/scene.oxie16", scene().dump());
  home.write(".config/midi-to-mk.json", json{{"device", "Port 1"}, {"rows", tableOf200()}}.dump());
  const auto engine =
      std::make_shared<MKEngine>(mkServicesAt(home.path(), loop, system, audio, keys, workspace));
  engine->start();

  // Observers are told in the order they subscribed: these two bracket the section's redraw.
  std::vector<double> redraws;
  QElapsedTimer redraw;
  const int before = engine->subscribe([&] { redraw.start(); });
  std::unique_ptr<TimedWindow> window;
  double built = 0;
  if (withScreen) {
    QElapsedTimer t;
    t.start();
    window = std::make_unique<TimedWindow>();
    window->setWidgetResizable(true);
    window->setWidget(new MKSection(engine));
    window->resize(1000, 900);
    window->show();
    built = msSince(t);
  }
  const int after = engine->subscribe([&] { redraws.push_back(msSince(redraw)); });
  runFor(1);  // the first paint and the engine's start settle
  redraws.clear();
  if (window) window->paints.clear();

  // 1,000 messages a second from the controller, handed over from a thread of their own as the MIDI layer
  // does: a fader sweep, the jog wheel and a pad, in turn. A late thread catches up, so the rate holds.
  std::atomic<long> sent{0};
  std::atomic<bool> flowing{true};
  const double cpu0 = processCpuSeconds();
  QElapsedTimer wall;
  wall.start();
  auto& timing = static_cast<TimingApp&>(*qApp);
  timing.ms.clear();
  std::thread flow([&] {
    const auto start = std::chrono::steady_clock::now();
    for (long i = 0; flowing; ++i) {
      std::this_thread::sleep_until(start + std::chrono::microseconds(1000 * i));
      if (i % 10 == 9)
        system.send3(controller, 0x90, 36, i % 20 == 9 ? 100 : 0);
      else if (i % 2)
        system.send3(controller, 0xB0, 20, i % 4 == 1 ? 1 : 127);
      else
        system.send3(controller, 0xB0, 21, static_cast<int>(i / 2 % 128));
      ++sent;
    }
  });
  runFor(seconds);
  flowing = false;
  flow.join();
  const double elapsed = msSince(wall) / 1000;
  const double cpu = (processCpuSeconds() - cpu0) / elapsed * 100;

  std::printf("%s\n", withScreen ? "with the section shown:" : "the engine alone, no screen:");
  std::printf("  %.0f messages a second for %.1f s, %ld sent to Live, process CPU %.1f %% of one core\n",
              static_cast<double>(sent.load()) / elapsed, elapsed, engine->view().sent, cpu);
  if (withScreen) {
    const auto r = latency::figures(redraws);
    const auto p = latency::figures(window->paints);
    std::printf("  the section built with 200 rows and first shown in %.0f ms\n", built);
    std::printf("  redraws: %.1f a second; updating the widgets: median %.2f ms, 99th %.2f ms, max %.2f ms\n",
                static_cast<double>(redraws.size()) / elapsed, r.median, r.p99, r.max);
    std::printf("  paints: %.1f a second; each: median %.2f ms, 99th %.2f ms, max %.2f ms\n",
                static_cast<double>(window->paints.size()) / elapsed, p.median, p.p99, p.max);
  }
  std::printf("  main thread busy per second, by event: ");
  for (const auto& [type, total] : timing.ms)
    if (total / elapsed >= 1) std::printf("%d %.1f ms  ", type, total / elapsed);
  std::printf("\n");
  engine->unsubscribe(before);
  engine->unsubscribe(after);
  window.reset();
  engine->stop();
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  TimingApp app(argc, argv);
  const double seconds = argc > 1 ? std::max(1.0, std::atof(argv[1])) : 5;
  run(false, seconds);
  run(true, seconds);
  return 0;
}
