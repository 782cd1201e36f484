// The MK engine for real, on the Qt loop and a JACK server: the latency a controller's message gains on its
// way through the program, from the frame it entered our input port to the frame its Mackie answer leaves our
// output port, on private servers at 64 and at 256 frames a period; then the idle load of both engines
// against the run's JACK and pulse servers with nothing arriving. Needs `eval "$(scripts/services start)"`
// for the idle part. Run by hand: engine_jack_bench [messages=2000] [idle seconds=60, 0 for none]. It prints,
// never asserts.
//
// engine_jack_bench first [repeats=20] times, on the same private servers, only the first message after an
// engine starts: the link towards the DAW's peer is made when the destination is chosen, and this shows
// whether that first message still waits for it. Each repeat starts a fresh MIDI system and engine with the
// destination there to choose.
//
// engine_jack_bench window [messages=500] opens the settings window mid-stream, as a user does, with 200 rows
// in each module's table: the same 25 ms stream, on the Qt loop with the whole shell (both modules, their
// screens), on the offscreen platform unless QT_QPA_PLATFORM says otherwise. The window is made before the
// modules start, as the program makes it, and shown for the first time at 1 s ("Settings…" in the tray); at
// 4 s the Key Stroke tab is chosen, at 7 s the MK tab again, at 8 s its table is scrolled from top to bottom
// as a wheel does, 120 pixels every 16 ms, at 10 s the window closes and at 11 s it opens again.
// Prints, from each step to the next, the longest the main loop was held (the longest event, and a 1 ms
// timer's longest gap), the most processor time one event took (what the program's own work held the loop
// for, waits for a processor left out), and the latency the messages of that time gained, in periods.
//
// The private servers are named "vuda-bench-64" and "vuda-bench-256", or both VUDA_BENCH_JACK_SERVER when it
// is set (they run one after the other).

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <nlohmann/json.hpp>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "keystroke/engine.h"
#include "keystroke/permissions.h"
#include "latency_peer.h"
#include "mackie/engine/engine.h"
#include "platform/jack/jack_midi_system.h"
#include "platform/pulse/pulse_audio_output.h"
#include "platform/qt/qt_loop.h"
#include "process_cpu.h"
#include "shell/mackie_module.h"
#include "shell/midikeys_module.h"
#include "shell/umbrella.h"
#include "support/engine_services.h"
#include "support/fake_audio_output.h"
#include "support/fake_hot_keys.h"
#include "support/fake_key_capture.h"
#include "support/fake_workspace.h"
#include "support/recording_key_output.h"
#include "support/spawned_process.h"
#include "support/temp_folder.h"
#include "ui/settings_window.h"

namespace {

// Runs the Qt loop, sleeping between events as the application does, until `done` or `seconds` pass.
void runFor(
    double seconds, const std::function<bool()>& done = [] { return false; }) {
  QEventLoop events;
  QTimer check;
  QObject::connect(&check, &QTimer::timeout, [&] {
    if (done()) events.quit();
  });
  check.start(10);
  QTimer::singleShot(static_cast<int>(seconds * 1000), &events, &QEventLoop::quit);
  events.exec();
}

// The same, with nothing of the benchmark's own waking the loop.
void idleFor(double seconds) {
  QEventLoop events;
  QTimer::singleShot(static_cast<int>(seconds * 1000), &events, &QEventLoop::quit);
  events.exec();
}

// A JACK server of the benchmark's own at `period` frames, dummy driver at 48 kHz, with real-time threads as
// a musician's would have (without, where the system refuses them).
std::unique_ptr<SpawnedProcess> startServer(const std::string& name, int period, const std::string& log) {
  for (const char* scheduling : {"-R", "-r"}) {
    auto server = std::make_unique<SpawnedProcess>(
        std::vector<std::string>{"jackd", "-n", name, scheduling, "-d", "dummy", "-r", "48000", "-p",
                                 std::to_string(period)},
        log);
    const bool up = eventually(
        [&] {
          return server->exited() || std::system(("jack_lsp -s " + name + " > /dev/null 2>&1").c_str()) == 0;
        },
        10);
    if (up && !server->exited()) return server;
  }
  return nullptr;
}

std::string serverName(int period) {
  const char* named = std::getenv("VUDA_BENCH_JACK_SERVER");
  return named != nullptr && *named != '\0' ? named : "vuda-bench-" + std::to_string(period);
}

// The benchmark's server for `period`, its log in `home`; says so when it does not start.
std::unique_ptr<SpawnedProcess> serverFor(int period, const TempFolder& home) {
  auto server = startServer(serverName(period), period, home.path() + "/jackd.log");
  if (!server) std::printf("period %d: jackd did not start\n", period);
  return server;
}

// The peer's "out" is the controller; its "in" stands for the DAW. A fader row answers each CC with one
// pitch bend, which leaves at once when messages come more than the pump's 20 ms apart.
std::string faderTable() {
  return nlohmann::json{{"device", "out"},
                        {"out", "in"},
                        {"rows", {{{"id", 1}, {"from", "cc"}, {"number", 21}, {"command", "fader1"}}}}}
      .dump();
}

// Answer frame less input frame for `count` controller changes 25 ms apart, each entering at a random frame
// of its cycle, with the MK engine between the peer's ports.
void measure(int period, std::size_t count) {
  TempFolder home;
  const std::string name = serverName(period);
  const auto server = serverFor(period, home);
  if (!server) return;
  QtLoop loop;
  JackMidiSystem midi(loop, name);
  latency::LatencyPeer peer;
  if (!peer.open("controller", name)) return;

  home.write(".config/midi-to-mk.json", faderTable());
  FakeAudioOutput audio;
  RecordingKeyOutput keys;
  FakeWorkspace workspace;
  const auto mk = std::make_shared<MKEngine>(mkServicesAt(home.path(), loop, midi, audio, keys, workspace));
  mk->start();
  runFor(5, [&] {
    return !mk->view().outName.empty() && !mk->openSources().empty() && jack_port_connected(peer.in) > 0;
  });
  mk->wireNow(0xE0, 0, 64);  // the first send makes the output port towards the peer
  runFor(5, [&] { return jack_port_connected(peer.out) > 0 && jack_port_connected(peer.in) > 0; });
  runFor(0.2);

  std::vector<latency::LatencyPeer::Message> messages;
  for (std::size_t k = 0; k < count; ++k)
    messages.push_back({0xB0, 21, static_cast<std::uint8_t>(k % 128)});
  const double rate = peer.rate();
  peer.start(std::move(messages), static_cast<jack_nframes_t>(rate * 0.025));
  runFor(static_cast<double>(count) * 0.025 + 10, [&] { return peer.finished(); });
  runFor(0.5);

  // Our answer reaches the peer one cycle after it leaves our output port (the loop back into the peer is
  // JACK's feedback connection): it left at the reply's frame less one period.
  std::vector<double> added;
  const std::size_t lost = peer.pairReplies();
  for (std::size_t k = 0; k < count; ++k)
    if (peer.replyFrame[k] >= 0)
      added.push_back(static_cast<double>(peer.replyFrame[k] - period - peer.sentFrame[k]));
  const auto f = latency::figures(added);
  const double us = 1e6 / rate;
  std::printf(
      "period %3d (%.2f ms), %zu messages 25 ms apart, lost %zu (xruns %d); added latency: median %.2f "
      "periods "
      "(%.0f us), p99 %.2f (%.0f us), max %.2f (%.0f us)\n",
      period, period * us / 1e3, count, lost, peer.xruns.load(), f.median / period, f.median * us,
      f.p99 / period, f.p99 * us, f.max / period, f.max * us);
  mk->stop();
}

// The first controller message through a freshly started engine, and the one after it, `repeats` times: from
// the frame it entered our input port to the frame the peer heard its answer, and the latency it gained as
// measure() counts it (one cycle less: the loop back into the peer).
void measureFirst(int period, int repeats) {
  TempFolder home;
  const std::string name = serverName(period);
  const auto server = serverFor(period, home);
  if (!server) return;
  home.write(".config/midi-to-mk.json", faderTable());
  QtLoop loop;
  std::vector<double> first, second, firstCalm, secondCalm;
  int unanswered = 0, disturbed = 0, unready = 0;
  for (int r = 0; r < repeats; ++r) {
    latency::LatencyPeer peer;
    if (!peer.open("controller", name)) {
      std::printf("period %d: the peer could not open on %s\n", period, name.c_str());
      return;
    }
    JackMidiSystem midi(loop, name);
    FakeAudioOutput audio;
    RecordingKeyOutput keys;
    FakeWorkspace workspace;
    const auto mk = std::make_shared<MKEngine>(mkServicesAt(home.path(), loop, midi, audio, keys, workspace));
    mk->start();
    runFor(5, [&] { return !mk->view().outName.empty() && jack_port_connected(peer.out) > 0; });
    if (mk->view().outName.empty() || jack_port_connected(peer.out) == 0) {
      ++unready;
      mk->stop();
      continue;
    }
    // Two moves of the fader 100 ms apart: the first finds no port towards the peer yet, the second finds it.
    // Each start with its own frames within the cycle, the same on every run.
    peer.start({{0xB0, 21, 10}, {0xB0, 21, 90}}, static_cast<jack_nframes_t>(peer.rate() * 0.1),
               static_cast<std::uint32_t>(1000 + r));
    runFor(5, [&] { return peer.finished() && peer.heard.load() >= 2; });
    runFor(0.05);
    unanswered += static_cast<int>(peer.pairReplies());
    // A late cycle delays what it carries by whole periods: such starts are also shown apart.
    const bool late = peer.xruns.load() > 0;
    disturbed += late ? 1 : 0;
    for (auto [k, all, calm] : {std::tuple{0, &first, &firstCalm}, std::tuple{1, &second, &secondCalm}}) {
      if (peer.replyFrame[k] < 0) continue;
      const double added = static_cast<double>(peer.replyFrame[k] - period - peer.sentFrame[k]) / period;
      all->push_back(added);
      if (!late) calm->push_back(added);
    }
    mk->stop();
  }
  const auto row = [](const char* what, const std::vector<double>& added) {
    std::vector<double> heard;
    for (const double a : added)
      heard.push_back(a + 1);
    const auto h = latency::figures(heard), a = latency::figures(added);
    std::printf("  %-32s sent -> heard median %.2f, max %.2f; added median %.2f, max %.2f\n", what, h.median,
                h.max, a.median, a.max);
  };
  std::printf(
      "period %3d, %d fresh starts (%d not listening or with no destination after 5 s, %d with xruns, "
      "unanswered %d), in periods of the server:\n",
      period, repeats, unready, disturbed, unanswered);
  row("first message, every start:", first);
  row("first, starts without xruns:", firstCalm);
  row("the one after it, every start:", second);
  row("after it, starts without xruns:", secondCalm);
}

// The application, timing every event it hands out from the loop (outermost only): the longest is the
// longest the loop was held by one piece of work, whatever the machine's other load did to the timer.
class TimingApp : public QApplication {
 public:
  using QApplication::QApplication;
  QElapsedTimer* clock = nullptr;
  // (ended at, took, of which the main thread ran), seconds: on a busy machine the thread may wait its turn
  // for a processor within an event, which its own work does not cause.
  std::vector<std::tuple<double, double, double>> events;
  // VUDA_BENCH_LONG_EVENT=<ms> names, on stderr, each event that held the loop for longer.
  double longEvent = qEnvironmentVariableIsSet("VUDA_BENCH_LONG_EVENT")
                         ? qEnvironmentVariable("VUDA_BENCH_LONG_EVENT").toDouble()
                         : 1e9;

  bool notify(QObject* receiver, QEvent* e) override {
    if (depth_++ > 0 || clock == nullptr) {
      const bool done = QApplication::notify(receiver, e);
      --depth_;
      return done;
    }
    // Read before: an event may delete its receiver.
    const char* const kind = receiver->metaObject()->className();
    const int type = e->type();
    const auto began = clock->nsecsElapsed();
    const double ranBefore = threadCpuSeconds();
    const bool done = QApplication::notify(receiver, e);
    const auto ended = clock->nsecsElapsed();
    events.emplace_back(static_cast<double>(ended) / 1e9, static_cast<double>(ended - began) / 1e9,
                        threadCpuSeconds() - ranBefore);
    if (static_cast<double>(ended - began) / 1e6 > longEvent)
      std::fprintf(stderr, "%.3f s: an event of type %d to a %s took %.1f ms\n",
                   static_cast<double>(ended) / 1e9, type, kind, static_cast<double>(ended - began) / 1e6);
    --depth_;
    return done;
  }

 private:
  static double threadCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
  }

  int depth_ = 0;
};

// 200 rows in each module's table; the MK table's first row answers CC 21 with a fader move towards the peer.
void writeTablesOf200(TempFolder& home) {
  using nlohmann::json;
  auto mk = json::array(), ks = json::array();
  const char* commands[] = {"play", "jog", "vpot1", "fader2", "mute3", "shift", "markernext", "volume"};
  mk.push_back({{"id", 1}, {"from", "cc"}, {"number", 21}, {"command", "fader1"}});
  for (int i = 1; i < 200; ++i)
    mk.push_back({{"id", i + 1}, {"from", "cc"}, {"number", 30 + i % 90}, {"command", commands[i % 8]}});
  for (int i = 0; i < 200; ++i)
    ks.push_back({{"id", i + 1}, {"cc", 30 + i % 90}, {"key", "a"}, {"type", i % 4 ? "cc" : "note"}});
  home.write(".config/midi-to-mk.json", json{{"device", "out"}, {"out", "in"}, {"rows", mk}}.dump());
  home.write(".config/midi-to-keystroke.json", json{{"device", "out"}, {"rows", ks}}.dump());
  home.write(".config/vuda-verer.json", json{{"modules", {{"mackie", true}, {"midikeys", true}}}}.dump());
}

void measureWindow(int period, std::size_t count) {
  TempFolder home;
  const std::string name = serverName(period);
  const auto server = serverFor(period, home);
  if (!server) return;
  QtLoop loop;
  JackMidiSystem midi(loop, name);
  latency::LatencyPeer peer;
  if (!peer.open("controller", name)) return;
  writeTablesOf200(home);
  FakeAudioOutput audio;
  RecordingKeyOutput keys;
  FakeKeyCapture capture;
  FakeWorkspace workspace;
  FakeHotKeys hotKeys;
  auto mk = std::make_unique<MackieModule>(mkServicesAt(home.path(), loop, midi, audio, keys, workspace));
  auto ks =
      std::make_unique<MidiKeysModule>(ksServicesAt(home.path(), loop, midi, audio, keys, capture), false);
  const auto engine = mk->engine;
  std::vector<std::unique_ptr<LiveModule>> modules;
  modules.push_back(std::move(mk));
  modules.push_back(std::move(ks));
  const auto umbrella =
      std::make_shared<Umbrella>(ShellServices{loop, workspace, hotKeys, home.path()}, std::move(modules));
  const auto permissions = std::make_shared<Permissions>(loop, keys);
  auto window = std::make_unique<ui::SettingsWindow>(umbrella, permissions, true, [] {});
  umbrella->start();
  runFor(5, [&] {
    return !engine->view().outName.empty() && !engine->openSources().empty() &&
           jack_port_connected(peer.in) > 0;
  });
  engine->wireNow(0xE0, 0, 64);
  runFor(5, [&] { return jack_port_connected(peer.out) > 0 && jack_port_connected(peer.in) > 0; });
  runFor(0.5);

  // The main loop's holds: a 1 ms timer's gaps, each kept with the time it ended.
  QElapsedTimer clock;
  std::vector<std::pair<double, double>> gaps;  // (ended at, gap), seconds since the stream began
  double last = 0;
  QTimer probe;
  probe.setTimerType(Qt::PreciseTimer);
  QObject::connect(&probe, &QTimer::timeout, [&] {
    const double now = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    gaps.emplace_back(now, now - last);
    last = now;
  });

  const std::vector<std::pair<double, const char*>> steps = {
      {1.0, "window shown"},      {4.0, "Key Stroke tab chosen"}, {7.0, "MK tab chosen"},
      {8.0, "MK table scrolled"}, {10.0, "window closed"},        {11.0, "window shown again"}};
  QTimer wheel;
  QObject::connect(&wheel, &QTimer::timeout, [&] {
    auto* bar = window->findChild<QScrollArea*>()->verticalScrollBar();
    bar->setValue(bar->value() + 120);
    if (bar->value() == bar->maximum()) wheel.stop();
  });
  const std::vector<std::function<void()>> actions = {[&] { window->show(); },
                                                      [&] { umbrella->setTab("midikeys"); },
                                                      [&] { umbrella->setTab("mackie"); },
                                                      [&] { wheel.start(16); },
                                                      [&] { window->hide(); },
                                                      [&] { window->show(); }};
  std::vector<std::unique_ptr<QTimer>> timers;
  for (std::size_t i = 0; i < steps.size(); ++i) {
    auto timer = std::make_unique<QTimer>();
    timer->setSingleShot(true);
    timer->setTimerType(Qt::PreciseTimer);
    QObject::connect(timer.get(), &QTimer::timeout, actions[i]);
    timers.push_back(std::move(timer));
  }

  std::vector<latency::LatencyPeer::Message> messages;
  for (std::size_t k = 0; k < count; ++k)
    messages.push_back({0xB0, 21, static_cast<std::uint8_t>(k % 128)});
  const double rate = peer.rate();
  auto& app = static_cast<TimingApp&>(*qApp);
  app.events.clear();
  clock.start();
  app.clock = &clock;
  probe.start(1);
  for (std::size_t i = 0; i < steps.size(); ++i)
    timers[i]->start(static_cast<int>(steps[i].first * 1000));
  peer.start(std::move(messages), static_cast<jack_nframes_t>(rate * 0.025));
  runFor(static_cast<double>(count) * 0.025 + 10, [&] { return peer.finished(); });
  runFor(0.5);
  probe.stop();
  app.clock = nullptr;

  peer.pairReplies();
  std::printf("period %3d (%.2f ms), %zu messages 25 ms apart, 200 rows a table, xruns %d:\n", period,
              period * 1e3 / rate, count, peer.xruns.load());
  // Message k left the peer about k * 25 ms after the stream began.
  const auto report = [&](const char* what, double from, double to) {
    double held = 0, longest = 0, longestRan = 0;
    for (const auto& [at, gap] : gaps)
      if (at >= from && at < to) held = std::max(held, gap);
    for (const auto& [at, took, ran] : app.events)
      if (at >= from && at < to) {
        longest = std::max(longest, took);
        longestRan = std::max(longestRan, ran);
      }
    std::vector<double> added;
    std::size_t lost = 0, late = 0;
    for (std::size_t k = 0; k < count; ++k) {
      const double at = static_cast<double>(k) * 0.025;
      if (at < from || at >= to) continue;
      if (peer.replyFrame[k] < 0) {
        ++lost;
        continue;
      }
      added.push_back(static_cast<double>(peer.replyFrame[k] - period - peer.sentFrame[k]) / period);
      if (added.back() > 2) ++late;
    }
    const auto f = latency::figures(added);
    std::printf(
        "  %-24s longest event %6.1f ms (most run %5.1f ms), 1 ms timer late by %6.1f ms; messages %3zu: "
        "added median %.2f, p99 %.2f, max %.2f periods; %zu over 2 periods, %zu unanswered\n",
        what, longest * 1e3, longestRan * 1e3, (held - 0.001) * 1e3, added.size() + lost, f.median, f.p99,
        f.max, late, lost);
  };
  report("before the window", 0, steps[0].first);
  for (std::size_t i = 0; i < steps.size(); ++i)
    report(steps[i].second, steps[i].first, i + 1 < steps.size() ? steps[i + 1].first : steps[i].first + 1.5);
  report("the whole stream", 0, static_cast<double>(count) * 0.025);
  window.reset();
  umbrella->stop();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::string(argv[1]) == "window") {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    const auto count = static_cast<std::size_t>(argc > 2 ? std::max(1, std::atoi(argv[2])) : 500);
    TimingApp app(argc, argv);
    for (const int period : {256, 64})
      measureWindow(period, count);
    return 0;
  }
  if (argc > 1 && std::string(argv[1]) == "first") {
    const int repeats = argc > 2 ? std::max(1, std::atoi(argv[2])) : 20;
    QCoreApplication app(argc, argv);
    for (const int period : {64, 256})
      measureFirst(period, repeats);
    return 0;
  }
  const std::size_t count = argc > 1 ? static_cast<std::size_t>(std::max(1, std::atoi(argv[1]))) : 2000;
  const double idleSeconds = argc > 2 ? std::max(0.0, std::atof(argv[2])) : 60;
  QCoreApplication app(argc, argv);
  for (const int period : {64, 256})
    measure(period, count);
  if (idleSeconds <= 0) return 0;

  QtLoop loop;
  JackMidiSystem midi(loop);
  if (!midi.online()) {
    std::printf("no JACK server for the idle load: run eval \"$(scripts/services start)\" first\n");
    return 1;
  }
  TempFolder home;
  home.write(".config/midi-to-mk.json", nlohmann::json{{"device", "out"}}.dump());
  home.write(".config/midi-to-keystroke.json", nlohmann::json{{"device", "out"}}.dump());
  PulseAudioOutput audio;
  RecordingKeyOutput keys;
  FakeWorkspace workspace;
  FakeKeyCapture capture;
  const auto mk = std::make_shared<MKEngine>(mkServicesAt(home.path(), loop, midi, audio, keys, workspace));
  mk->start();
  const auto ks = std::make_shared<KSEngine>(ksServicesAt(home.path(), loop, midi, audio, keys, capture));
  ks->start();
  runFor(1);
  const double before = processCpuSeconds();
  const auto start = std::chrono::steady_clock::now();
  idleFor(idleSeconds);
  const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("idle, both engines on JACK and pulse, %.0f s: %.2f %% of one core\n", wall,
              100 * (processCpuSeconds() - before) / wall);
  return 0;
}
