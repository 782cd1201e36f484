// The MK engine for real, on the Qt loop and a JACK server: the time from a controller's message entering the
// program's input port to its Mackie message leaving the output port, and the idle load of both engines
// against a JACK and a pulse server with nothing arriving. Needs `eval "$(scripts/services start)"`. Run by
// hand: engine_jack_bench [messages=2000] [idle seconds=60]. It prints, never asserts.
#include <sys/resource.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <nlohmann/json.hpp>

#include "keystroke/engine.h"
#include "latency_peer.h"
#include "mackie/engine/engine.h"
#include "platform/jack/jack_midi_system.h"
#include "platform/pulse/pulse_audio_output.h"
#include "platform/qt/qt_loop.h"
#include "support/engine_services.h"
#include "support/fake_key_capture.h"
#include "support/fake_workspace.h"
#include "support/recording_key_output.h"
#include "support/temp_folder.h"

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

double cpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
  const std::size_t count = argc > 1 ? static_cast<std::size_t>(std::max(1, std::atoi(argv[1]))) : 2000;
  const double idleSeconds = argc > 2 ? std::max(1.0, std::atof(argv[2])) : 60;
  QCoreApplication app(argc, argv);
  QtLoop loop;
  JackMidiSystem midi;
  if (!midi.online()) {
    std::printf("no JACK server: run eval \"$(scripts/services start)\" first\n");
    return 1;
  }
  auto peerClient = std::make_unique<latency::LatencyPeer>();
  auto& peer = *peerClient;
  if (!peer.open("controller")) return 1;

  // The peer's "out" is the controller; its "in" stands for the DAW. A fader row answers each CC with one
  // pitch bend, which leaves at once when messages come more than the pump's 20 ms apart.
  TempFolder home;
  home.write(".config/midi-to-mk.json",
             nlohmann::json{{"device", "out"},
                            {"out", "in"},
                            {"rows", {{{"id", 1}, {"from", "cc"}, {"number", 21}, {"command", "fader1"}}}}}
                 .dump());
  PulseAudioOutput audio;
  RecordingKeyOutput keys;
  FakeWorkspace workspace;
  FakeKeyCapture capture;
  const auto mk = std::make_shared<MKEngine>(mkServicesAt(home.path(), loop, midi, audio, keys, workspace));
  mk->start();
  runFor(5, [&] { return mk->outRef != 0 && !mk->midi->names.empty() && jack_port_connected(peer.in) > 0; });
  mk->wireNow(0xE0, 0, 64);  // the first send makes the output port towards the peer
  runFor(5, [&] { return jack_port_connected(peer.out) > 0 && jack_port_connected(peer.in) > 0; });
  runFor(0.2);

  std::vector<latency::LatencyPeer::Message> messages;
  for (std::size_t k = 0; k < count; ++k)
    messages.push_back({0xB0, 21, static_cast<std::uint8_t>(k % 128)});
  const double rate = peer.rate();
  const double period = peer.period();
  peer.start(std::move(messages), static_cast<jack_nframes_t>(rate * 0.025));
  runFor(static_cast<double>(count) * 0.025 + 10, [&] { return peer.finished(); });
  runFor(0.5);

  // The reply reaches the peer one cycle after it leaves our output port (the loop back into the peer is
  // JACK's feedback connection), so in → out inside the program is the round trip less one period.
  std::vector<double> inToOut;
  std::size_t lost = 0;
  for (std::size_t k = 0; k < count; ++k) {
    if (peer.replyFrame[k] < 0) {
      ++lost;
      continue;
    }
    inToOut.push_back(static_cast<double>(peer.replyFrame[k] - peer.sentFrame[k]) - period);
  }
  const auto f = latency::figures(inToOut);
  const double us = 1e6 / rate;
  std::printf("%zu messages 25 ms apart, %.0f frames a period (%.2f ms); replies missing: %zu\n", count,
              period, period * us / 1e3, lost);
  std::printf(
      "input port -> output port through the MK engine: median %.0f us (%.2f periods), p99 %.0f us (%.2f "
      "periods), max %.0f us (%.2f periods)\n",
      f.median * us, f.median / period, f.p99 * us, f.p99 / period, f.max * us, f.max / period);

  home.write(".config/midi-to-keystroke.json", nlohmann::json{{"device", "out"}}.dump());
  const auto ks = std::make_shared<KSEngine>(ksServicesAt(home.path(), loop, midi, audio, keys, capture));
  ks->start();
  // The peer is a JACK client of this process: closed, so that only the engines are measured.
  peerClient.reset();
  runFor(1);
  const double before = cpuSeconds();
  const auto start = std::chrono::steady_clock::now();
  idleFor(idleSeconds);
  const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("idle, both engines on JACK and pulse, %.0f s: %.2f %% of one core\n", wall,
              100 * (cpuSeconds() - before) / wall);
  return 0;
}
