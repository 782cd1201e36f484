// Round trip through JackMidiSystem on the real JACK server: a peer client sends a controller change to our
// input port, the receive callback answers at once through our output port on the loop it delivers on, and
// the peer times the reply in JACK frames. Run by hand: jack_latency_bench [messages=2000] [spacing ms=25].
// It prints, never asserts.
#include <jack/jack.h>
#include <jack/midiport.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "latency_peer.h"
#include "platform/jack/jack_midi_system.h"
#include "support/thread_loop.h"

using latency::Figures;
using latency::figures;
using latency::LatencyPeer;

int main(int argc, char** argv) {
  const std::size_t count = argc > 1 ? static_cast<std::size_t>(std::max(1, std::atoi(argv[1]))) : 2000;
  const double spacingMs = argc > 2 ? std::max(1.0, std::atof(argv[2])) : 25.0;

  ThreadLoop loop;
  JackMidiSystem midi(loop);
  if (!midi.online()) {
    std::printf("no JACK server (set JACK_DEFAULT_SERVER to a running one)\n");
    return 1;
  }
  LatencyPeer peer;
  if (!peer.open("vuda-latency-peer")) {
    std::printf("the peer client could not be opened\n");
    return 1;
  }
  const std::string peerName = jack_get_client_name(peer.client);

  // The reply goes out from the receive callback itself, on the loop, as an engine's answer would; each
  // arrival is stamped.
  const auto stamps = std::make_unique<std::atomic<std::int64_t>[]>(count);
  for (std::size_t k = 0; k < count; ++k)
    stamps[k] = -1;
  std::atomic<MidiRef> output{0}, destination{0};
  const MidiRef client = midi.createClient("Orvane VUDA Verer · latency", [] {});
  const MidiRef input =
      midi.createInputPort(client, "in", [&](std::uint32_t, std::span<const std::uint32_t> words) {
        for (const std::uint32_t word : words) {
          if (word >> 28 != 2) continue;
          const std::size_t id = (word >> 8 & 0x7F) << 7 | (word & 0x7F);
          if (id < count && stamps[id] < 0) stamps[id] = static_cast<std::int64_t>(jack_get_time());
          midi.send(output, destination, word);
        }
      });
  output = midi.createOutputPort(client, "out");

  MidiRef source = 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while ((source == 0 || destination == 0) && std::chrono::steady_clock::now() < deadline) {
    for (const auto& e : midi.sources())
      if (e.device == peerName && e.name == "out") source = e.ref;
    for (const auto& e : midi.destinations())
      if (e.device == peerName && e.name == "in") destination = e.ref;
    loop.runFor(0.01);
  }
  if (source == 0 || destination == 0 || !midi.connectSource(input, source, 1)) {
    std::printf("the peer's ports were not found or could not be connected\n");
    return 1;
  }
  // Our output port for the peer is made by the first send; make it before timing starts.
  midi.send(output, destination, 0x20B07F7F);
  loop.runUntil([&] { return jack_port_connected(peer.out) != 0 && jack_port_connected(peer.in) != 0; });

  std::vector<LatencyPeer::Message> messages;
  for (std::size_t k = 0; k < count; ++k)
    messages.push_back({0xB0, static_cast<std::uint8_t>(k >> 7 & 0x7F), static_cast<std::uint8_t>(k & 0x7F)});
  const double rate = peer.rate();
  const double period = peer.period();
  std::printf(
      "%zu controller changes, %.0f ms apart, %.0f Hz, %.0f frames a period (%.2f ms): about %.0f s\n", count,
      spacingMs, rate, period, period / rate * 1e3, static_cast<double>(count) * spacingMs / 1e3);
  peer.start(std::move(messages), static_cast<jack_nframes_t>(rate * spacingMs / 1e3));
  loop.runUntil([&] { return peer.finished(); }, static_cast<double>(count) * spacingMs / 1e3 + 10);
  loop.runFor(0.5);  // the last replies

  std::vector<double> roundFrames, roundUs, deliveryUs, answerUs;
  const std::size_t lost = peer.pairReplies();
  for (std::size_t k = 0; k < count; ++k) {
    const std::int64_t sentAt = peer.sentFrame[k], replyAt = peer.replyFrame[k];
    if (replyAt < 0) continue;
    roundFrames.push_back(static_cast<double>(replyAt - sentAt));
    roundUs.push_back(static_cast<double>(peer.replyUs[k] - peer.sentUs[k]));
    if (stamps[k] >= 0) {
      deliveryUs.push_back(static_cast<double>(stamps[k] - peer.sentUs[k]));
      answerUs.push_back(static_cast<double>(peer.replyUs[k] - stamps[k]));
    }
  }
  const Figures round = figures(roundFrames);
  const double us = 1e6 / rate;
  const auto row = [](const char* what, const Figures& f) {
    std::printf("%-48s %9.0f %9.0f %9.0f\n", what, f.median, f.p99, f.max);
  };
  std::printf("%-48s %9s %9s %9s\n", "", "median", "p99", "max");
  std::printf("%-48s %9.0f %9.0f %9.0f\n", "round trip in JACK time, peer to peer (us)", round.median * us,
              round.p99 * us, round.max * us);
  std::printf("%-48s %9.2f %9.2f %9.2f\n", "  the same in periods", round.median / period, round.p99 / period,
              round.max / period);
  row("round trip in wall time, peer to peer (us)", figures(roundUs));
  row("  peer's process -> our receive callback (us)", figures(deliveryUs));
  row("  our receive callback -> peer reads reply (us)", figures(answerUs));
  std::printf("replies missing: %zu of %zu; incoming events dropped: %llu\n", lost, count,
              static_cast<unsigned long long>(midi.droppedEvents()));
  midi.disposeClient(client);
  return 0;
}
