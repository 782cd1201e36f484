// Both engines for a long while under a controller that never stops: 1,000 messages a second from one JACK
// peer to both modules (a fader and a jog wheel for MK, a volume knob and a key for Key Stroke), on a JACK
// server of the benchmark's own, the run's pulse server and X display. It prints the process's resident
// memory at the start, after 1 minute and at the end, its CPU, the largest size every list of the engines
// reached, and what reached the peer standing for the DAW against what the engine handed to JACK and against
// the pace of one message every 20 ms. Needs `eval "$(scripts/services start)"`. Run by hand:
// soak_bench [minutes=10]. It prints, never asserts.
//
// The peer runs as a second process (this program with --peer), so that the figures are the engines' alone.

#include <jack/jack.h>
#include <jack/midiport.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>
#include <thread>

#include "keystroke/engine.h"
#include "mackie/engine/engine.h"
#include "platform/jack/jack_midi_system.h"
#include "platform/pulse/pulse_audio_output.h"
#include "platform/qt/qt_loop.h"
#include "platform/x11/x11_key_output.h"
#include "process_cpu.h"
#include "support/engine_services.h"
#include "support/fake_key_capture.h"
#include "support/fake_workspace.h"
#include "support/spawned_process.h"
#include "support/temp_folder.h"

namespace {

constexpr double RATE = 1000;  // messages a second
constexpr double DRAIN = 6;  // seconds the peer keeps listening after its last message: 200 waiting × 20 ms
constexpr double WARM_UP = 5;  // seconds of the flood before the first figures
const char* const SERVER = "vuda-soak";

// --- The peer ---------------------------------------------------------------------------------------------

// A controller's "knobs" port sending RATE messages a second, spread over each cycle, to whoever listens, and
// a "daw" port counting what arrives. It starts once both modules listen, stops after `seconds`, and prints
// "sent N received M xruns X" once it has listened DRAIN seconds more.
struct Peer {
  jack_client_t* client = nullptr;
  jack_port_t* out = nullptr;
  jack_port_t* in = nullptr;
  std::atomic<bool> sending{false};
  std::atomic<std::uint64_t> sent{0}, received{0};
  std::atomic<int> xruns{0};
  double owed = 0;  // the process thread's: messages due and not yet sent

  static int process(jack_nframes_t frames, void* arg) {
    auto& self = *static_cast<Peer*>(arg);
    void* input = jack_port_get_buffer(self.in, frames);
    self.received += jack_midi_get_event_count(input);
    void* output = jack_port_get_buffer(self.out, frames);
    jack_midi_clear_buffer(output);
    if (!self.sending) return 0;
    self.owed += frames * RATE / jack_get_sample_rate(self.client);
    const auto due = static_cast<std::uint64_t>(self.owed);
    self.owed -= static_cast<double>(due);
    for (std::uint64_t i = 0; i < due; ++i) {
      const std::uint64_t k = self.sent;
      const auto step = static_cast<std::uint8_t>((k / 4) % 128);
      // In turn: MK's fader, MK's jog wheel (one click up or down), Key Stroke's volume, Key Stroke's key.
      const std::uint8_t message[4][3] = {{0xB0, 21, step},
                                          {0xB0, 22, static_cast<std::uint8_t>(k % 8 < 4 ? 1 : 65)},
                                          {0xB0, 7, step},
                                          {0xB0, 30, 127}};
      const auto offset = static_cast<jack_nframes_t>(i * frames / due);
      if (jack_midi_event_write(output, offset, message[k % 4], 3) != 0) break;
      ++self.sent;
    }
    return 0;
  }
};

int runPeer(double seconds) {
  Peer peer;
  jack_status_t status{};
  peer.client = jack_client_open(
      "controller", static_cast<jack_options_t>(JackNoStartServer | JackServerName), &status, SERVER);
  if (peer.client == nullptr) return 1;
  peer.out = jack_port_register(peer.client, "knobs", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
  peer.in = jack_port_register(peer.client, "daw", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
  jack_set_process_callback(peer.client, Peer::process, &peer);
  jack_set_xrun_callback(
      peer.client,
      [](void* arg) {
        ++static_cast<Peer*>(arg)->xruns;
        return 0;
      },
      &peer);
  if (peer.out == nullptr || peer.in == nullptr || jack_activate(peer.client) != 0) return 1;
  if (!eventually([&] { return jack_port_connected(peer.out) >= 2; }, 30)) return 1;
  peer.sending = true;
  std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
  peer.sending = false;
  std::this_thread::sleep_for(std::chrono::duration<double>(DRAIN));
  std::printf("sent %llu received %llu xruns %d\n", static_cast<unsigned long long>(peer.sent.load()),
              static_cast<unsigned long long>(peer.received.load()), peer.xruns.load());
  std::fflush(stdout);
  jack_client_close(peer.client);
  return 0;
}

// --- The engines' side ----------------------------------------------------------------------------------

void runFor(double seconds) {
  QEventLoop events;
  QTimer::singleShot(static_cast<int>(seconds * 1000), &events, &QEventLoop::quit);
  events.exec();
}

long residentKb() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
  return -1;
}

// The size of every list the engines keep, by name.
std::map<std::string, std::size_t> lists(const MKEngine& mk, const KSEngine& ks) {
  std::map<std::string, std::size_t> out;
  for (const auto& [name, size] : mk.listSizes())
    out["MK " + name] = size;
  for (const auto& [name, size] : ks.listSizes())
    out["KS " + name] = size;
  return out;
}

struct Mark {
  double at;  // seconds into the flood
  long rssKb;
  double cpu;  // process seconds so far
};

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--peer") == 0) return runPeer(std::atof(argv[2]));
  const double minutes = argc > 1 ? std::max(0.1, std::atof(argv[1])) : 10;
  const double seconds = minutes * 60;
  QCoreApplication app(argc, argv);
  TempFolder home;
  // Real-time threads, as a musician's server would have, where the system grants them: a cycle that runs
  // late makes JACK hand the peer a client's last buffer again, which would count as a message twice.
  std::unique_ptr<SpawnedProcess> server;
  for (const char* scheduling : {"-R", "-r"}) {
    server =
        std::make_unique<SpawnedProcess>(std::vector<std::string>{"jackd", "-n", SERVER, scheduling, "-d",
                                                                  "dummy", "-r", "48000", "-p", "256"},
                                         home.path() + "/jackd.log");
    const auto answers = [] {
      return std::system(("jack_lsp -s " + std::string(SERVER) + " > /dev/null 2>&1").c_str()) == 0;
    };
    if (eventually([&] { return server->exited() || answers(); }, 10) && !server->exited()) break;
    server.reset();
  }
  if (!server) {
    std::printf("jackd did not start\n");
    return 1;
  }
  home.write(".config/midi-to-mk.json",
             nlohmann::json{{"device", "knobs"},
                            {"out", "daw"},
                            {"blob", false},
                            {"rows",
                             {{{"id", 1}, {"from", "cc"}, {"number", 21}, {"command", "fader1"}},
                              {{"id", 2}, {"from", "cc"}, {"number", 22}, {"command", "jog"}}}}}
                 .dump());
  home.write(
      ".config/midi-to-keystroke.json",
      nlohmann::json{
          {"device", "knobs"},
          {"blob", false},
          {"rows",
           {{{"id", 1}, {"cc", 7}, {"kind", "volume"}},
            {{"id", 2}, {"cc", 30}, {"kind", "key"}, {"key", "f13"}, {"mods", nlohmann::json::array()}}}}}
          .dump());

  QtLoop loop;
  JackMidiSystem midi(loop, SERVER);
  PulseAudioOutput audio;
  X11KeyOutput keys;
  FakeWorkspace workspace;
  FakeKeyCapture capture;
  const auto mk = std::make_shared<MKEngine>(mkServicesAt(home.path(), loop, midi, audio, keys, workspace));
  const auto ks = std::make_shared<KSEngine>(ksServicesAt(home.path(), loop, midi, audio, keys, capture));
  mk->start();
  ks->start();
  std::printf("pulse: %s, X display: %s\n", audio.defaultDevice() ? "a default sink" : "none",
              keys.trusted() ? "with XTEST" : "none");

  const auto self = std::filesystem::read_symlink("/proc/self/exe").string();
  SpawnedProcess peer({self, "--peer", std::to_string(seconds)}, home.path() + "/peer.log");
  // The flood begins once both modules listen; the MK engine hears it first.
  const auto waited = std::chrono::steady_clock::now();
  while (!mk->view().heard && std::chrono::steady_clock::now() - waited < std::chrono::seconds(30))
    runFor(0.05);
  if (!mk->view().heard) {
    std::printf("the peer never played: %s\n", peer.output().c_str());
    return 1;
  }
  const auto began = std::chrono::steady_clock::now();
  const auto into = [&] {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
  };

  std::map<std::string, std::size_t> largest;
  std::vector<Mark> marks;
  std::vector<double> markAt = {WARM_UP};
  if (seconds > 60) markAt.push_back(60);
  markAt.push_back(seconds);
  while (into() < seconds + DRAIN + 2) {
    runFor(1);
    for (const auto& [name, size] : lists(*mk, *ks))
      largest[name] = std::max(largest[name], size);
    if (!markAt.empty() && into() >= markAt.front()) {
      marks.push_back({into(), residentKb(), processCpuSeconds()});
      markAt.erase(markAt.begin());
    }
  }
  if (!eventually([&] { return peer.exited(); }, 30)) std::printf("the peer did not finish\n");
  unsigned long long peerSent = 0, peerReceived = 0;
  int xruns = 0;
  std::sscanf(peer.output().c_str(), "sent %llu received %llu xruns %d", &peerSent, &peerReceived, &xruns);

  std::printf("%.1f minutes, %.0f messages a second to both modules (%llu sent)\n", minutes, RATE, peerSent);
  for (const auto& m : marks)
    std::printf("  resident memory at %4.0f s: %6ld kB\n", m.at, m.rssKb);
  if (marks.size() > 2)
    std::printf("  CPU from %.0f s to %.0f s: %.1f %% of one core\n", marks.front().at, marks.back().at,
                100 * (marks.back().cpu - marks.front().cpu) / (marks.back().at - marks.front().at));
  for (std::size_t i = 1; i < marks.size(); ++i)
    std::printf("  CPU from %.0f s to %.0f s: %.1f %% of one core\n", marks[i - 1].at, marks[i].at,
                100 * (marks[i].cpu - marks[i - 1].cpu) / (marks[i].at - marks[i - 1].at));
  std::printf("  largest lists:");
  for (const auto& [name, size] : largest)
    std::printf(" %s %zu,", name.c_str(), size);
  std::printf("\n  MK trace lines written: %llu, KS trace lines written: %llu\n",
              static_cast<unsigned long long>(mk->view().trace.written()),
              static_cast<unsigned long long>(ks->view().trace.written()));
  const double paceBound = (seconds + DRAIN) / MKEngine::PACE;
  std::printf(
      "  to the DAW's peer: MK handed %ld to JACK, the peer received %llu (%lld lost on the way); the 20 ms "
      "pace "
      "allows at most %.0f in %.0f s, %.1f %% of that came\n",
      mk->view().sent, peerReceived,
      static_cast<long long>(mk->view().sent) - static_cast<long long>(peerReceived), paceBound,
      seconds + DRAIN, 100 * static_cast<double>(peerReceived) / paceBound);
  std::printf(
      "  JACK: input dropped because the loop fell behind: %llu, sends dropped for want of a link: %llu, "
      "xruns at the peer: %d\n",
      static_cast<unsigned long long>(midi.droppedEvents()),
      static_cast<unsigned long long>(midi.droppedSends()), xruns);
  mk->stop();
  ks->stop();
  return 0;
}
