// The built program headless on the ALSA sequencer while unrelated sequencer clients come and go: a
// controller client plays CCs into a fader row, one pitch bend each, and a DAW client counts the bends that
// reach its port. Meanwhile clients that have nothing to do with the program each make a port, subscribe it
// to Midi Through and leave again, spread over the run. A client on the announce port watches what the
// sequencer tells everyone: it prints how many bends arrived of those expected, the subscriptions of the
// DAW's port made and broken, those between the controller and the program, and the program's ports started
// and ended while the others came and went; each lost message is named with whether the MK module was
// subscribed to the controller as it left.
//
// Only where there is a sequencer: scripts/alsa-vm --with build/src/app/orvane-vuda-verer
// build/bench/alsa_churn_bench [--fast] [--messages N=100] [--churn N=20] [--runs N=1] [--trace]. Messages
// leave 100 ms apart, 30 ms with --fast; --churn 0 gives the figures without other clients; --trace prints
// what the program said. It prints, never asserts.

#include <alsa/asoundlib.h>
#include <poll.h>
#include <unistd.h>

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

#include "program/running_program.h"
#include "support/spawned_process.h"
#include "support/temp_folder.h"

namespace {

using Clock = std::chrono::steady_clock;
using Bytes = std::vector<std::uint8_t>;

constexpr const char* PROGRAM_PREFIX = "Orvane VUDA Verer";
constexpr int FADER_CC = 21;
// Emulated, the machine is slow to start a program.
constexpr double DEADLINE = 30;
// Long enough for the program's rescans (half a second after a change) to have ended before counting starts,
// and for the last of them to be counted after the run.
constexpr double SETTLE = 1.5;

struct Options {
  double spacing = 0.1;
  int messages = 100;
  int churn = 20;
  int runs = 1;
  bool trace = false;
};

struct Address {
  int client = -1, port = -1;
  bool operator==(const Address&) const = default;
};

double msBetween(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double, std::milli>(to - from).count();
}

Clock::time_point after(Clock::time_point start, double seconds) {
  return start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
}

// What the program's fader row sends for a CC value: the 7-bit value spread over the pitch bend's 14 bits.
Bytes bendFor(int value) {
  const auto scaled = static_cast<int>(std::floor(value * 16383.0 / 127.0 + 0.5));
  return {0xE0, static_cast<std::uint8_t>(scaled % 128), static_cast<std::uint8_t>(scaled / 128)};
}

snd_seq_t* openClient(const std::string& name) {
  snd_seq_t* seq = nullptr;
  if (snd_seq_open(&seq, "default", SND_SEQ_OPEN_DUPLEX, SND_SEQ_NONBLOCK) < 0) return nullptr;
  snd_seq_set_client_name(seq, name.c_str());
  return seq;
}

// The first client whose name holds `part`, by asking the sequencer now.
std::optional<int> clientNamed(snd_seq_t* seq, const std::string& part) {
  snd_seq_client_info_t* info = nullptr;
  snd_seq_client_info_alloca(&info);
  snd_seq_client_info_set_client(info, -1);
  while (snd_seq_query_next_client(seq, info) >= 0)
    if (std::string(snd_seq_client_info_get_name(info)).find(part) != std::string::npos)
      return snd_seq_client_info_get_client(info);
  return std::nullopt;
}

// Whether a port of a client whose name holds `part` is subscribed to the port at `from`.
bool subscribedBy(snd_seq_t* seq, Address from, const std::string& part) {
  snd_seq_query_subscribe_t* query = nullptr;
  snd_seq_query_subscribe_alloca(&query);
  const snd_seq_addr_t root{static_cast<unsigned char>(from.client), static_cast<unsigned char>(from.port)};
  snd_seq_query_subscribe_set_root(query, &root);
  snd_seq_query_subscribe_set_type(query, SND_SEQ_QUERY_SUBS_READ);
  snd_seq_query_subscribe_set_index(query, 0);
  snd_seq_client_info_t* info = nullptr;
  snd_seq_client_info_alloca(&info);
  while (snd_seq_query_port_subscribers(seq, query) >= 0) {
    const snd_seq_addr_t* to = snd_seq_query_subscribe_get_addr(query);
    if (snd_seq_get_any_client_info(seq, to->client, info) >= 0 &&
        std::string(snd_seq_client_info_get_name(info)).find(part) != std::string::npos)
      return true;
    snd_seq_query_subscribe_set_index(query, snd_seq_query_subscribe_get_index(query) + 1);
  }
  return false;
}

// The DAW's client and a client on the announce port, read on a thread of their own: every bend heard with
// its time, and every announcement with the names of the clients it concerns, looked up as it came.
class Listeners {
 public:
  struct Heard {
    Clock::time_point at;
    Bytes bytes;
  };
  struct News {
    Clock::time_point at;
    int type;
    Address a, b;  // the port (PORT_START / PORT_EXIT), or sender and destination of a subscription
    std::string aClient, bClient;
  };

  Listeners() {
    daw_ = openClient("Orvane bench DAW");
    watch_ = openClient("Orvane bench watch");
    if (daw_ == nullptr || watch_ == nullptr) return;
    dawPort_ =
        snd_seq_create_simple_port(daw_, "DAW in", SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE,
                                   SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION);
    // Writable by its own client alone: nobody else sees a destination there.
    const int watchPort = snd_seq_create_simple_port(watch_, "announcements", SND_SEQ_PORT_CAP_WRITE,
                                                     SND_SEQ_PORT_TYPE_APPLICATION);
    if (dawPort_ < 0 || watchPort < 0 ||
        snd_seq_connect_from(watch_, watchPort, SND_SEQ_CLIENT_SYSTEM, SND_SEQ_PORT_SYSTEM_ANNOUNCE) < 0)
      return;
    snd_midi_event_new(64, &decoder_);
    snd_midi_event_no_status(decoder_, 1);
    open_ = true;
    reader_ = std::thread([this] { read(); });
  }
  ~Listeners() {
    stopping_ = true;
    if (reader_.joinable()) reader_.join();
    if (decoder_ != nullptr) snd_midi_event_free(decoder_);
    if (daw_ != nullptr) snd_seq_close(daw_);
    if (watch_ != nullptr) snd_seq_close(watch_);
  }
  Listeners(const Listeners&) = delete;
  Listeners& operator=(const Listeners&) = delete;

  bool open() const { return open_; }
  Address daw() const { return {snd_seq_client_id(daw_), dawPort_}; }
  std::vector<Heard> heard() {
    const std::lock_guard lock(mutex_);
    return heard_;
  }
  std::vector<News> news() {
    const std::lock_guard lock(mutex_);
    return news_;
  }

 private:
  // The name the client has now, else the last one seen: a client that left has none to ask for.
  std::string nameOf(int client) {
    snd_seq_client_info_t* info = nullptr;
    snd_seq_client_info_alloca(&info);
    if (snd_seq_get_any_client_info(watch_, client, info) >= 0)
      names_[client] = snd_seq_client_info_get_name(info);
    const auto found = names_.find(client);
    return found == names_.end() ? std::string() : found->second;
  }
  void read() {
    pollfd fds[2];
    snd_seq_poll_descriptors(daw_, &fds[0], 1, POLLIN);
    snd_seq_poll_descriptors(watch_, &fds[1], 1, POLLIN);
    while (!stopping_) {
      poll(fds, 2, 10);
      snd_seq_event_t* ev = nullptr;
      while (snd_seq_event_input(daw_, &ev) >= 0 && ev != nullptr) {
        unsigned char bytes[64];
        const long size = snd_midi_event_decode(decoder_, bytes, sizeof bytes, ev);
        if (size <= 0) continue;
        const std::lock_guard lock(mutex_);
        heard_.push_back({Clock::now(), Bytes(bytes, bytes + size)});
      }
      while (snd_seq_event_input(watch_, &ev) >= 0 && ev != nullptr) {
        News n{Clock::now(), ev->type, {}, {}, {}, {}};
        if (ev->type == SND_SEQ_EVENT_PORT_SUBSCRIBED || ev->type == SND_SEQ_EVENT_PORT_UNSUBSCRIBED) {
          n.a = {ev->data.connect.sender.client, ev->data.connect.sender.port};
          n.b = {ev->data.connect.dest.client, ev->data.connect.dest.port};
        } else if (ev->type == SND_SEQ_EVENT_PORT_START || ev->type == SND_SEQ_EVENT_PORT_EXIT ||
                   ev->type == SND_SEQ_EVENT_CLIENT_START || ev->type == SND_SEQ_EVENT_CLIENT_EXIT ||
                   ev->type == SND_SEQ_EVENT_CLIENT_CHANGE) {
          n.a = {ev->data.addr.client, ev->data.addr.port};
        } else {
          continue;
        }
        n.aClient = nameOf(n.a.client);
        if (n.b.client >= 0) n.bClient = nameOf(n.b.client);
        const std::lock_guard lock(mutex_);
        news_.push_back(std::move(n));
      }
    }
  }

  snd_seq_t* daw_ = nullptr;
  snd_seq_t* watch_ = nullptr;
  int dawPort_ = -1;
  snd_midi_event_t* decoder_ = nullptr;
  std::map<int, std::string> names_;  // the reader's own
  std::mutex mutex_;
  std::vector<Heard> heard_;
  std::vector<News> news_;
  std::atomic<bool> stopping_{false};
  std::thread reader_;
  bool open_ = false;
};

// Clients of other programs: each opens, makes a port that reads and writes (a new source and destination
// for everyone), subscribes it to Midi Through, stays half its share of the run and leaves. On a thread of
// their own, so that the controller keeps its pace.
void churn(int count, Address through, Clock::time_point start, double seconds, std::atomic<int>& failed) {
  const double slot = seconds / count;
  for (int i = 0; i < count; ++i) {
    std::this_thread::sleep_until(after(start, (i + 0.25) * slot));
    snd_seq_t* seq = openClient("bench churn " + std::to_string(i + 1));
    if (seq == nullptr) {
      ++failed;
      continue;
    }
    const int port =
        snd_seq_create_simple_port(seq, "port",
                                   SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ |
                                       SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE,
                                   SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION);
    if (port < 0 || through.client < 0 || snd_seq_connect_from(seq, port, through.client, through.port) < 0)
      ++failed;
    std::this_thread::sleep_until(after(start, (i + 0.75) * slot));
    snd_seq_close(seq);
  }
}

int lostLines(const std::string& out) {
  int n = 0;
  for (auto at = out.find(" lost: "); at != std::string::npos; at = out.find(" lost: ", at + 1))
    ++n;
  return n;
}

bool isProgram(const std::string& client) {
  return client.rfind(PROGRAM_PREFIX, 0) == 0;
}

// One run with a fresh program; answers how many bends arrived, or nothing when it could not run.
std::optional<int> runOnce(const Options& options, int number) {
  TempFolder folder;
  Listeners listeners;
  const std::unique_ptr<snd_seq_t, int (*)(snd_seq_t*)> owner(openClient("Orvane bench controller"),
                                                              snd_seq_close);
  snd_seq_t* const controller = owner.get();
  if (!listeners.open() || controller == nullptr) {
    std::printf("the benchmark's clients could not open on the sequencer\n");
    return std::nullopt;
  }
  const int out = snd_seq_create_simple_port(controller, "Controller out",
                                             SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ,
                                             SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION);
  const Address controllerAddress{snd_seq_client_id(controller), out};
  const auto play = [&](int value) {
    snd_seq_event_t ev;
    snd_seq_ev_clear(&ev);
    snd_seq_ev_set_controller(&ev, 0, FADER_CC, value);
    snd_seq_ev_set_source(&ev, out);
    snd_seq_ev_set_subs(&ev);
    snd_seq_ev_set_direct(&ev);
    snd_seq_event_output_direct(controller, &ev);
  };
  Address through;
  if (const auto client = clientNamed(controller, "Midi Through")) through = {*client, 0};

  nlohmann::json table = program::table("Controller out", "DAW in");
  table["rows"] = {{{"id", 1}, {"from", "cc"}, {"number", FADER_CC}, {"command", "fader1"}}};
  folder.write("home/.config/midi-to-mk.json", table.dump());
  RunningProgram program(folder, {"--headless", "--trace", "--midi", "alsa"});
  const bool listening =
      program.started() && eventually(
                               [&] {
                                 return program::traced(program.out(), "MIDI to MK Control is up.*") &&
                                        subscribedBy(controller, controllerAddress, "MK");
                               },
                               DEADLINE);
  if (!listening) {
    std::printf("the program did not listen to the controller\n%s%s", program.out().c_str(),
                program.err().c_str());
    return std::nullopt;
  }
  // The first bend is not one of the counted ones.
  const Bytes warmUp = bendFor(127);
  play(127);
  const bool warm = eventually(
      [&] {
        const auto h = listeners.heard();
        return std::any_of(h.begin(), h.end(), [&](const auto& e) { return e.bytes == warmUp; });
      },
      DEADLINE);
  std::this_thread::sleep_for(std::chrono::duration<double>(SETTLE));
  const std::size_t heardBefore = listeners.heard().size();

  const int count = options.messages;
  const double seconds = count * options.spacing;
  const auto start = Clock::now() + std::chrono::milliseconds(50);
  std::atomic<int> churnFailed{0};
  std::thread churner(churn, options.churn, through, start, seconds, std::ref(churnFailed));
  std::vector<Clock::time_point> sentAt;
  for (int k = 0; k < count; ++k) {
    std::this_thread::sleep_until(after(start, k * options.spacing));
    sentAt.push_back(Clock::now());
    play(k % 128);
  }
  churner.join();
  std::this_thread::sleep_for(std::chrono::duration<double>(SETTLE));
  const auto end = Clock::now();

  // Heard bends matched in order to the expected ones: one missing from the sequence was lost.
  std::vector<bool> arrived(static_cast<std::size_t>(count), false);
  int unexpected = 0;
  const auto heard = listeners.heard();
  for (std::size_t h = heardBefore, k = 0; h < heard.size(); ++h) {
    std::size_t j = k;
    while (j < arrived.size() && heard[h].bytes != bendFor(static_cast<int>(j % 128)))
      ++j;
    if (j == arrived.size()) {
      ++unexpected;
      continue;
    }
    arrived[j] = true;
    k = j + 1;
  }
  const int delivered = static_cast<int>(std::count(arrived.begin(), arrived.end(), true));

  // What the announce port told, counted over the run and over everything since the program started.
  const Address daw = listeners.daw();
  const auto news = listeners.news();
  struct Counts {
    int made = 0, broken = 0;
  };
  Counts dawRun, dawAll, controllerRun, programRun;
  std::map<std::string, Counts> portsRun;  // by program client: ports started and ended
  for (const auto& n : news) {
    const bool during = n.at >= start && n.at <= end;
    const bool subscribed = n.type == SND_SEQ_EVENT_PORT_SUBSCRIBED;
    if (subscribed || n.type == SND_SEQ_EVENT_PORT_UNSUBSCRIBED) {
      const auto add = [&](Counts& c) { ++(subscribed ? c.made : c.broken); };
      if (n.a == daw || n.b == daw) {
        add(dawAll);
        if (during) add(dawRun);
      }
      if (!during) continue;
      if (n.a == controllerAddress && isProgram(n.bClient)) add(controllerRun);
      if (isProgram(n.aClient) || isProgram(n.bClient)) add(programRun);
    } else if ((n.type == SND_SEQ_EVENT_PORT_START || n.type == SND_SEQ_EVENT_PORT_EXIT) && during &&
               isProgram(n.aClient)) {
      ++(n.type == SND_SEQ_EVENT_PORT_START ? portsRun[n.aClient].made : portsRun[n.aClient].broken);
    }
  }

  std::printf(
      "run %d: %d messages %.0f ms apart, %d other clients coming and going%s: delivered %d of %d%s\n"
      "  subscription changes of the DAW's port: %d during the churn (%d made, %d broken); %d since the "
      "program started\n"
      "  subscriptions between the controller and the program: %d made, %d broken during the churn\n"
      "  all subscriptions of the program's ports: %d made, %d broken during the churn\n",
      number, count, options.spacing * 1e3, options.churn,
      churnFailed > 0 ? (" (" + std::to_string(churnFailed.load()) + " failed)").c_str() : "", delivered,
      count, warm ? "" : " (the warm-up bend never arrived)", dawRun.made + dawRun.broken, dawRun.made,
      dawRun.broken, dawAll.made + dawAll.broken, controllerRun.made, controllerRun.broken, programRun.made,
      programRun.broken);
  Counts portsAll;
  for (const auto& [client, c] : portsRun) {
    portsAll.made += c.made;
    portsAll.broken += c.broken;
  }
  std::printf("  ports of the program: %d started, %d ended during the churn\n", portsAll.made,
              portsAll.broken);
  for (const auto& [client, c] : portsRun)
    std::printf("    %s: %d started, %d ended\n", client.c_str(), c.made, c.broken);
  if (unexpected > 0) std::printf("  bends heard that were not expected: %d\n", unexpected);
  std::printf("  trace lines about lost input: %d\n", lostLines(program.out()));

  // Whether the MK module was subscribed to the controller at a moment, replayed from the announcements.
  const auto linkedAt = [&](Clock::time_point at) {
    int live = 0;
    for (const auto& n : news)
      if (n.at <= at && n.a == controllerAddress && isProgram(n.bClient) &&
          n.bClient.find("MK") != std::string::npos)
        live += n.type == SND_SEQ_EVENT_PORT_SUBSCRIBED     ? 1
                : n.type == SND_SEQ_EVENT_PORT_UNSUBSCRIBED ? -1
                                                            : 0;
    return live > 0;
  };
  int lostUnlinked = 0;
  for (int k = 0; k < count; ++k) {
    if (arrived[static_cast<std::size_t>(k)]) continue;
    const auto sent = sentAt[static_cast<std::size_t>(k)];
    const bool linked = linkedAt(sent);
    lostUnlinked += linked ? 0 : 1;
    const Listeners::News* nearest = nullptr;
    for (const auto& n : news)
      if (n.a == controllerAddress && n.bClient.find("MK") != std::string::npos &&
          (nearest == nullptr || std::abs(msBetween(sent, n.at)) < std::abs(msBetween(sent, nearest->at))))
        nearest = &n;
    std::printf("  lost #%d, the MK module %s subscribed to the controller", k + 1,
                linked ? "was" : "was NOT");
    if (nearest != nullptr) {
      const double ms = msBetween(nearest->at, sent);
      std::printf("; sent %.0f ms %s it was %s", std::abs(ms), ms >= 0 ? "after" : "before",
                  nearest->type == SND_SEQ_EVENT_PORT_SUBSCRIBED ? "subscribed" : "unsubscribed");
    }
    std::printf("\n");
  }
  if (delivered < count)
    std::printf("  of the %d lost, %d left while the MK module was not subscribed to the controller\n",
                count - delivered, lostUnlinked);

  program.signal(SIGTERM);
  program.ended(DEADLINE);
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
    } else if (option == "--trace") {
      options.trace = true;
    } else {
      std::printf("usage: alsa_churn_bench [--fast] [--messages N] [--churn N] [--runs N] [--trace]\n");
      return 2;
    }
  }
  if (::access("/dev/snd/seq", F_OK) != 0) {
    std::printf("no ALSA sequencer here (/dev/snd/seq): run it with scripts/alsa-vm\n");
    return 1;
  }
  std::vector<int> delivered;
  for (int number = 1; number <= options.runs; ++number)
    if (const auto d = runOnce(options, number)) delivered.push_back(*d);
  if (delivered.size() > 1) {
    const auto [low, high] = std::minmax_element(delivered.begin(), delivered.end());
    int total = 0;
    for (const int d : delivered)
      total += d;
    std::printf("over %zu runs: delivered %d of %zu (fewest %d, most %d of %d a run)\n", delivered.size(),
                total, delivered.size() * static_cast<std::size_t>(options.messages), *low, *high,
                options.messages);
  }
  return delivered.empty() ? 1 : 0;
}
