// The built program headless on a JACK server of the benchmark's own while unrelated JACK clients come and
// go: a controller peer plays CCs into a fader row, one pitch bend each, and a DAW peer counts the bends that
// reach it. Meanwhile clients that have nothing to do with the program each register a MIDI output port and
// leave again, spread over the run. It prints how many bends arrived of those expected, whether the DAW's
// input port saw its connections change, and how many ports of the program a bystander saw registered and
// unregistered while the others came and went. Each lost message is named with whether the controller was
// linked to the MK module as it left, and the MK module's port event nearest to it.
//
// Run by hand: churn_bench [--fast] [--messages N=100] [--churn N=20] [--runs N=1] [--idle-churn] [--trace].
// Messages leave 100 ms apart, 30 ms with --fast; --churn 0 gives the figures without other clients;
// --idle-churn makes the other clients ones without a process callback; --trace prints what the program said.
// The server is named by VUDA_BENCH_JACK_SERVER, else "vuda-bench-churn"; it is started and stopped here. It
// prints, never asserts.

#include <jack/jack.h>
#include <jack/midiport.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "program/jack_peer.h"
#include "program/running_program.h"
#include "support/spawned_process.h"
#include "support/temp_folder.h"

namespace {

using Clock = std::chrono::steady_clock;
using Bytes = std::vector<std::uint8_t>;

constexpr const char* PROGRAM_PREFIX = "Orvane VUDA Verer";
constexpr int FADER_CC = 21;
// Long enough for the program's rescans (half a second after a change) to have ended before counting starts,
// and for the last of them to be counted after the run.
constexpr double SETTLE = 1.5;

struct Options {
  double spacing = 0.1;  // seconds between controller messages
  int messages = 100;
  int churn = 20;
  int runs = 1;
  bool idle = false;   // the other clients have no process callback
  bool trace = false;  // the program's own output after each run
};

double msBetween(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double, std::milli>(to - from).count();
}

// What the program's fader row sends for a CC value: the 7-bit value spread over the pitch bend's 14 bits.
Bytes bendFor(int value) {
  const auto scaled = static_cast<int>(std::floor(value * 16383.0 / 127.0 + 0.5));
  return {0xE0, static_cast<std::uint8_t>(scaled % 128), static_cast<std::uint8_t>(scaled / 128)};
}

// As the program's tests start theirs: 256 frames a period, dummy driver at 48 kHz, no real-time threads.
std::unique_ptr<SpawnedProcess> startServer(const std::string& name, const std::string& log) {
  auto server = std::make_unique<SpawnedProcess>(
      std::vector<std::string>{"jackd", "-n", name, "-r", "-d", "dummy", "-r", "48000", "-p", "256"}, log);
  const bool up = eventually(
      [&] {
        return server->exited() || std::system(("jack_lsp -s '" + name + "' > /dev/null 2>&1").c_str()) == 0;
      },
      10);
  return up && !server->exited() ? std::move(server) : nullptr;
}

jack_client_t* openClient(const std::string& name, const std::string& server) {
  return jack_client_open(name.c_str(), static_cast<jack_options_t>(JackNoStartServer | JackServerName),
                          nullptr, server.c_str());
}

// The DAW's side: one MIDI input port keeping what it hears and when, and every connection made or broken on
// that port, as JACK tells this client.
class DawPeer {
 public:
  struct Change {
    Clock::time_point at;
    bool connected;
    std::string other;
  };

  DawPeer(const std::string& server, const std::string& port) {
    client_ = openClient("daw", server);
    if (client_ == nullptr) return;
    in_ = jack_port_register(client_, port.c_str(), JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
    if (in_ == nullptr) return;
    inName_ = jack_port_name(in_);
    jack_set_process_callback(client_, process, this);
    jack_set_port_connect_callback(client_, onConnect, this);
    open_ = jack_activate(client_) == 0;
  }
  ~DawPeer() {
    if (client_ != nullptr) jack_client_close(client_);
  }
  DawPeer(const DawPeer&) = delete;
  DawPeer& operator=(const DawPeer&) = delete;

  bool open() const { return open_; }
  std::vector<std::pair<Clock::time_point, Bytes>> heard() {
    const std::lock_guard lock(mutex_);
    return heard_;
  }
  std::vector<Change> changes() {
    const std::lock_guard lock(mutex_);
    return changes_;
  }

 private:
  // A benchmark's peer, not a real-time one: it may wait for the main thread to let go of what they share.
  static int process(jack_nframes_t frames, void* arg) {
    auto& self = *static_cast<DawPeer*>(arg);
    void* buffer = jack_port_get_buffer(self.in_, frames);
    const auto now = Clock::now();
    const std::lock_guard lock(self.mutex_);
    jack_midi_event_t event;
    for (std::uint32_t e = 0; jack_midi_event_get(&event, buffer, e) == 0; ++e)
      self.heard_.emplace_back(now, Bytes(event.buffer, event.buffer + event.size));
    return 0;
  }
  static void onConnect(jack_port_id_t a, jack_port_id_t b, int connected, void* arg) {
    auto& self = *static_cast<DawPeer*>(arg);
    const char* first = jack_port_name(jack_port_by_id(self.client_, a));
    const char* second = jack_port_name(jack_port_by_id(self.client_, b));
    if (first == nullptr || second == nullptr) return;
    const std::string other = self.inName_ == first ? second : self.inName_ == second ? first : "";
    if (other.empty()) return;
    const std::lock_guard lock(self.mutex_);
    self.changes_.push_back({Clock::now(), connected != 0, other});
  }

  jack_client_t* client_ = nullptr;
  jack_port_t* in_ = nullptr;
  std::string inName_;
  std::mutex mutex_;
  std::vector<std::pair<Clock::time_point, Bytes>> heard_;
  std::vector<Change> changes_;
  bool open_ = false;
};

// A port-less client that notes every port registered or unregistered on the server, by full name, and every
// link made or broken. JACK may report one port gone twice, so ports are followed by id from their
// registration: the bystander opens first.
class Bystander {
 public:
  struct Event {
    Clock::time_point at;
    bool registered;
    std::string port;
  };
  struct Link {
    Clock::time_point at;
    bool connected;
    std::string from, to;
  };

  explicit Bystander(const std::string& server) {
    client_ = openClient("bystander", server);
    if (client_ == nullptr) return;
    jack_set_port_registration_callback(client_, onPort, this);
    jack_set_port_connect_callback(client_, onConnect, this);
    open_ = jack_activate(client_) == 0;
  }
  ~Bystander() {
    if (client_ != nullptr) jack_client_close(client_);
  }
  Bystander(const Bystander&) = delete;
  Bystander& operator=(const Bystander&) = delete;

  bool open() const { return open_; }
  std::vector<Event> events() {
    const std::lock_guard lock(mutex_);
    return events_;
  }
  std::vector<Link> links() {
    const std::lock_guard lock(mutex_);
    return links_;
  }

 private:
  static void onConnect(jack_port_id_t a, jack_port_id_t b, int connected, void* arg) {
    auto& self = *static_cast<Bystander*>(arg);
    const std::lock_guard lock(self.mutex_);
    const auto from = self.names_.find(a), to = self.names_.find(b);
    if (from == self.names_.end() || to == self.names_.end()) return;
    self.links_.push_back({Clock::now(), connected != 0, from->second, to->second});
  }
  static void onPort(jack_port_id_t id, int registered, void* arg) {
    auto& self = *static_cast<Bystander*>(arg);
    const std::lock_guard lock(self.mutex_);
    if (registered != 0) {
      const char* name = jack_port_name(jack_port_by_id(self.client_, id));
      if (name == nullptr) return;
      self.names_[id] = name;
      self.events_.push_back({Clock::now(), true, name});
      return;
    }
    const auto found = self.names_.find(id);
    if (found == self.names_.end()) return;
    self.events_.push_back({Clock::now(), false, found->second});
    self.names_.erase(found);
  }

  jack_client_t* client_ = nullptr;
  std::mutex mutex_;
  std::map<jack_port_id_t, std::string> names_;
  std::vector<Event> events_;
  std::vector<Link> links_;
  bool open_ = false;
};

// Clients of other programs: each opens, registers one MIDI output port (a new source for everyone), stays
// half its share of the run and leaves. Each clears its port every cycle, as a JACK program does; with
// `idle` it has no process callback at all (a patchbay or a program that never plays). On a thread of their
// own, so that the controller keeps its pace.
void churn(const std::string& server, int count, bool idle, Clock::time_point start, double seconds,
           std::atomic<int>& failed) {
  const double slot = seconds / count;
  const auto at = [&](double s) {
    return start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(s));
  };
  for (int i = 0; i < count; ++i) {
    std::this_thread::sleep_until(at((i + 0.25) * slot));
    jack_client_t* client = openClient("churn " + std::to_string(i + 1), server);
    if (client == nullptr) {
      ++failed;
      continue;
    }
    jack_port_t* port = jack_port_register(client, "out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
    if (!idle && port != nullptr)
      jack_set_process_callback(
          client,
          [](jack_nframes_t frames, void* out) {
            jack_midi_clear_buffer(jack_port_get_buffer(static_cast<jack_port_t*>(out), frames));
            return 0;
          },
          port);
    if (port == nullptr || jack_activate(client) != 0) ++failed;
    std::this_thread::sleep_until(at((i + 0.75) * slot));
    jack_client_close(client);
  }
}

// The trace's lines saying that the MIDI layer dropped input.
int lostLines(const std::string& out) {
  int n = 0;
  for (auto at = out.find(" lost: "); at != std::string::npos; at = out.find(" lost: ", at + 1))
    ++n;
  return n;
}

// One run with a fresh server and program; answers how many bends arrived, or nothing when it could not run.
std::optional<int> runOnce(const Options& options, const std::string& serverName, int run) {
  TempFolder folder;
  const auto server = startServer(serverName, folder.path() + "/jackd.log");
  if (!server) {
    std::printf("run %d: jackd %s did not start\n", run, serverName.c_str());
    return std::nullopt;
  }
  ::setenv("JACK_DEFAULT_SERVER", serverName.c_str(), 1);
  Bystander bystander(serverName);
  DawPeer daw(serverName, "input");
  JackPeer controller("controller", {"knobs"}, {}, serverName);
  if (!bystander.open() || !daw.open() || !controller.open()) {
    std::printf("run %d: the peers could not open on %s\n", run, serverName.c_str());
    return std::nullopt;
  }
  nlohmann::json table = program::table("knobs", "input");
  table["rows"] = {{{"id", 1}, {"from", "cc"}, {"number", FADER_CC}, {"command", "fader1"}}};
  folder.write("home/.config/midi-to-mk.json", table.dump());
  RunningProgram program(folder, {"--headless", "--trace", "--midi", "jack"});
  if (!program.started() || !eventually([&] { return controller.linkedTo(":MK in"); }, 15)) {
    std::printf("run %d: the program did not listen to the controller\n%s%s", run, program.out().c_str(),
                program.err().c_str());
    return std::nullopt;
  }
  // The first bend makes the program's port towards the DAW; it is not one of the counted ones.
  const Bytes warmUp = bendFor(127);
  controller.send(1, {0xB0, FADER_CC, 127});
  const bool warm = eventually(
      [&] {
        const auto h = daw.heard();
        return std::any_of(h.begin(), h.end(), [&](const auto& e) { return e.second == warmUp; });
      },
      5);
  std::this_thread::sleep_for(std::chrono::duration<double>(SETTLE));
  const std::size_t heardBefore = daw.heard().size();

  const int count = options.messages;
  const double seconds = count * options.spacing;
  const auto start = Clock::now() + std::chrono::milliseconds(50);
  std::atomic<int> churnFailed{0};
  std::thread churner(churn, serverName, options.churn, options.idle, start, seconds, std::ref(churnFailed));
  std::vector<Clock::time_point> sentAt;
  for (int k = 0; k < count; ++k) {
    std::this_thread::sleep_until(start + std::chrono::duration_cast<Clock::duration>(
                                              std::chrono::duration<double>(k * options.spacing)));
    sentAt.push_back(Clock::now());
    controller.send(1, {0xB0, FADER_CC, static_cast<std::uint8_t>(k % 128)});
  }
  churner.join();
  std::this_thread::sleep_for(std::chrono::duration<double>(SETTLE));
  const auto end = Clock::now();

  // Heard bends matched in order to the expected ones: one missing from the sequence was lost.
  std::vector<bool> arrived(static_cast<std::size_t>(count), false);
  int unexpected = 0;
  const auto heard = daw.heard();
  for (std::size_t h = heardBefore, k = 0; h < heard.size(); ++h) {
    std::size_t j = k;
    while (j < arrived.size() && heard[h].second != bendFor(static_cast<int>(j % 128)))
      ++j;
    if (j == arrived.size()) {
      ++unexpected;
      continue;
    }
    arrived[j] = true;
    k = j + 1;
  }
  const int delivered = static_cast<int>(std::count(arrived.begin(), arrived.end(), true));

  int connects = 0, disconnects = 0;
  for (const auto& change : daw.changes())
    if (change.at >= start && change.at <= end) ++(change.connected ? connects : disconnects);

  // The program's ports by its client, from the bystander's view.
  std::map<std::string, std::pair<int, int>> byClient;
  std::vector<Bystander::Event> ours;
  for (const auto& e : bystander.events()) {
    if (e.port.rfind(PROGRAM_PREFIX, 0) != 0 || e.at < start || e.at > end) continue;
    auto& [registered, unregistered] = byClient[e.port.substr(0, e.port.find(':'))];
    ++(e.registered ? registered : unregistered);
    ours.push_back(e);
  }
  int registered = 0, unregistered = 0;
  for (const auto& [client, counts] : byClient) {
    registered += counts.first;
    unregistered += counts.second;
  }

  std::printf(
      "run %d: %d messages %.0f ms apart, %d other clients%s coming and going%s: delivered %d of %d%s\n"
      "  connection changes seen by the DAW peer: %d (%d connected, %d disconnected)\n"
      "  program port (un)registrations seen: %d registered, %d unregistered\n",
      run, count, options.spacing * 1e3, options.churn, options.idle ? " without a process callback" : "",
      churnFailed > 0 ? (" (" + std::to_string(churnFailed.load()) + " failed)").c_str() : "", delivered,
      count, warm ? "" : " (the warm-up bend never arrived)", connects + disconnects, connects, disconnects,
      registered, unregistered);
  for (const auto& [client, counts] : byClient)
    std::printf("    %s: %d registered, %d unregistered\n", client.c_str(), counts.first, counts.second);
  if (unexpected > 0) std::printf("  bends heard that were not expected: %d\n", unexpected);
  std::printf("  controller xruns %d, trace lines about lost input %d\n", controller.xruns(),
              lostLines(program.out()));
  // Each lost message with whether the controller was linked to the MK module as it left, and the MK
  // module's port event nearest to it.
  const std::string controllerPort = controller.name() + ":knobs";
  const auto isMk = [](const std::string& port) {
    return port.rfind(PROGRAM_PREFIX, 0) == 0 && port.find(":MK in") != std::string::npos;
  };
  const auto links = bystander.links();
  const auto linkedAt = [&](Clock::time_point at) {
    int live = 0;
    for (const auto& l : links)
      if (l.at <= at && l.from == controllerPort && isMk(l.to)) live += l.connected ? 1 : -1;
    return live > 0;
  };
  int lostUnlinked = 0;
  for (int k = 0; k < count; ++k) {
    const auto sent = sentAt[static_cast<std::size_t>(k)];
    if (arrived[static_cast<std::size_t>(k)]) continue;
    const bool linked = linkedAt(sent);
    lostUnlinked += linked ? 0 : 1;
    const Bystander::Event* nearest = nullptr;
    for (const auto& e : ours)
      if (isMk(e.port) &&
          (nearest == nullptr || std::abs(msBetween(sent, e.at)) < std::abs(msBetween(sent, nearest->at))))
        nearest = &e;
    std::printf("  lost #%d, the controller %s linked to the MK module", k + 1, linked ? "was" : "was NOT");
    if (nearest != nullptr) {
      const double ms = msBetween(nearest->at, sent);
      std::printf("; sent %.0f ms %s \"%s\" was %s", std::abs(ms), ms >= 0 ? "after" : "before",
                  nearest->port.substr(nearest->port.find(':') + 1).c_str(),
                  nearest->registered ? "registered" : "unregistered");
    }
    std::printf("\n");
  }
  if (delivered < count)
    std::printf("  of the %d lost, %d left while no port of the MK module was linked to the controller\n",
                count - delivered, lostUnlinked);
  program.signal(SIGTERM);
  program.ended(10);
  if (options.trace) std::printf("  the program said:\n%s%s", program.out().c_str(), program.err().c_str());
  return delivered;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string option = argv[i];
    const auto next = [&] { return i + 1 < argc ? std::max(0, std::atoi(argv[++i])) : 0; };
    if (option == "--fast") {
      options.spacing = 0.03;
    } else if (option == "--messages") {
      options.messages = std::max(1, next());
    } else if (option == "--churn") {
      options.churn = next();
    } else if (option == "--runs") {
      options.runs = std::max(1, next());
    } else if (option == "--idle-churn") {
      options.idle = true;
    } else if (option == "--trace") {
      options.trace = true;
    } else {
      std::printf(
          "usage: churn_bench [--fast] [--messages N] [--churn N] [--runs N] [--idle-churn] [--trace]\n");
      return 2;
    }
  }
  ::setenv("JACK_NO_START_SERVER", "1", 1);
  const char* named = std::getenv("VUDA_BENCH_JACK_SERVER");
  const std::string server = named != nullptr && *named != '\0' ? named : "vuda-bench-churn";
  std::vector<int> delivered;
  for (int run = 1; run <= options.runs; ++run)
    if (const auto d = runOnce(options, server, run)) delivered.push_back(*d);
  if (delivered.size() > 1) {
    const auto [low, high] = std::minmax_element(delivered.begin(), delivered.end());
    int total = 0;
    for (const int d : delivered)
      total += d;
    std::printf("over %zu runs: delivered %d of %zu (fewest %d, most %d of %d a run)\n", delivered.size(),
                total, delivered.size() * static_cast<std::size_t>(options.messages), *low, *high,
                options.messages);
  }
  return 0;
}
