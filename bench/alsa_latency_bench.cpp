// Round trip through AlsaMidiSystem on a real sequencer: notes sent from our output port to the kernel's
// Midi Through come back from it into our input port; every figure is on one clock, in one process. Also
// times a send and a listing on their own, with a few other clients and with many, and what an idle client
// costs. Run in the VM: scripts/alsa-vm build/bench/alsa_latency_bench [n=2000]
// It prints, never asserts.
#include <alsa/asoundlib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "latency_figures.h"
#include "platform/alsa/alsa_midi_system.h"
#include "process_cpu.h"
#include "support/thread_loop.h"

namespace {

using Clock = std::chrono::steady_clock;

double microsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
}

std::optional<MidiRef> throughPort(const std::vector<MidiEndpoint>& list) {
  for (const auto& e : list)
    if (e.name == "Midi Through Port-0") return e.ref;
  return std::nullopt;
}

// Sequencer clients of other programs, each with a readable and a writable port, that only take up room in
// the listings.
struct Crowd {
  std::vector<snd_seq_t*> clients;
  explicit Crowd(int count) {
    for (int k = 0; k < count; ++k) {
      snd_seq_t* seq = nullptr;
      if (snd_seq_open(&seq, "default", SND_SEQ_OPEN_DUPLEX, SND_SEQ_NONBLOCK) < 0) return;
      snd_seq_set_client_name(seq, ("bench crowd " + std::to_string(k)).c_str());
      snd_seq_create_simple_port(seq, "out", SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ,
                                 SND_SEQ_PORT_TYPE_MIDI_GENERIC);
      snd_seq_create_simple_port(seq, "in", SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE,
                                 SND_SEQ_PORT_TYPE_MIDI_GENERIC);
      clients.push_back(seq);
    }
  }
  ~Crowd() {
    for (snd_seq_t* seq : clients)
      snd_seq_close(seq);
  }
  Crowd(const Crowd&) = delete;
  Crowd& operator=(const Crowd&) = delete;
};

void measure(ThreadLoop& loop, AlsaMidiSystem& midi, std::size_t count, int crowdSize) {
  const Crowd crowd(crowdSize);
  const auto sentAt = std::make_unique<std::atomic<std::int64_t>[]>(count);
  const auto cameAt = std::make_unique<std::atomic<std::int64_t>[]>(count);
  for (std::size_t k = 0; k < count; ++k)
    sentAt[k] = cameAt[k] = -1;
  const auto origin = Clock::now();
  const auto nowNs = [&] {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - origin).count();
  };
  const MidiRef client = midi.createClient("Orvane VUDA Verer bench", [] {});
  const MidiRef input =
      midi.createInputPort(client, "in", [&](std::uint32_t, std::span<const std::uint32_t> words) {
        const auto at = nowNs();
        for (const std::uint32_t word : words) {
          const std::size_t id = (word >> 8 & 0x7F) << 7 | (word & 0x7F);
          if (id < count && cameAt[id] < 0) cameAt[id] = at;
        }
      });
  const MidiRef output = midi.createOutputPort(client, "out");
  const auto source = throughPort(midi.sources());
  const auto destination = throughPort(midi.destinations());
  if (!source || !destination || !midi.connectSource(input, *source, 1)) {
    std::printf("Midi Through was not found or could not be connected\n");
    midi.disposeClient(client);
    return;
  }

  std::vector<double> sendUs, listUs;
  for (std::size_t k = 0; k < count; ++k) {
    const std::uint32_t word = 0x20900000u | static_cast<std::uint32_t>((k >> 7 & 0x7F) << 8 | (k & 0x7F));
    const auto before = Clock::now();
    sentAt[k] = nowNs();
    midi.send(output, *destination, word);
    sendUs.push_back(microsSince(before));
    // Spaced as the paced path spaces them, so each message crosses on its own.
    loop.runFor(0.002);
    if (k % 10 == 0) {
      const auto listing = Clock::now();
      [[maybe_unused]] const auto all = midi.sources();
      listUs.push_back(microsSince(listing));
    }
  }
  loop.runFor(0.2);  // the last ones
  midi.disposeClient(client);

  std::vector<double> roundUs;
  std::size_t lost = 0;
  for (std::size_t k = 0; k < count; ++k) {
    if (cameAt[k] < 0)
      ++lost;
    else
      roundUs.push_back(static_cast<double>(cameAt[k] - sentAt[k]) / 1e3);
  }
  const auto row = [](const char* what, const latency::Figures& f) {
    std::printf("%-52s %9.1f %9.1f %9.1f\n", what, f.median, f.p99, f.max);
  };
  std::printf("\n%zu notes, %d other clients of two ports each\n", count, crowdSize);
  std::printf("%-52s %9s %9s %9s\n", "", "median", "p99", "max");
  row("send() -> back from Midi Through in receive (us)", latency::figures(roundUs));
  row("one send() call (us)", latency::figures(sendUs));
  row("one sources() listing (us)", latency::figures(listUs));
  std::printf("lost: %zu of %zu\n", lost, count);
}

// CPU time the whole process spends while a client sits connected and nothing is played: the threads should
// sleep in poll without waking.
void idle(ThreadLoop& loop, AlsaMidiSystem& midi, int seconds) {
  const MidiRef client = midi.createClient("Orvane VUDA Verer idle", [] {});
  const MidiRef input =
      midi.createInputPort(client, "in", [](std::uint32_t, std::span<const std::uint32_t>) {});
  if (const auto source = throughPort(midi.sources())) midi.connectSource(input, *source, 1);
  const auto cpu = [] { return processCpuSeconds() * 1e3; };
  const double before = cpu();
  loop.runFor(seconds);
  const double used = cpu() - before;
  std::printf("\nidle %d s with a client connected: %.1f ms of CPU (%.3f %% of a core)\n", seconds, used,
              used / (seconds * 10.0));
  midi.disposeClient(client);
}

}  // namespace

int main(int argc, char** argv) {
  const std::size_t count = argc > 1 ? static_cast<std::size_t>(std::max(1, std::atoi(argv[1]))) : 2000;
  ThreadLoop loop;
  AlsaMidiSystem midi(loop);
  if (!midi.online()) {
    std::printf("no ALSA sequencer: %s\n", midi.failure().c_str());
    return 1;
  }
  measure(loop, midi, count, 0);
  measure(loop, midi, count, 32);
  idle(loop, midi, 10);
  return 0;
}
