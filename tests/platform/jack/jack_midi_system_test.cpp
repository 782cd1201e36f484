// The JACK backend against real servers: the run's server for listing, receiving and sending, and a private
// server that is stopped and started again for the outage. A peer JACK client in the test plays the other
// side.
#include "platform/jack/jack_midi_system.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <jack/jack.h>
#include <jack/midiport.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <utility>
#include <vector>

#include "platform/jack/jack_names.h"
#include "program/jack_peer.h"
#include "support/jack_probe.h"
#include "support/private_jack_server.h"
#include "support/services.h"
#include "support/temp_folder.h"
#include "support/thread_loop.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

std::string unique(const std::string& stem) {
  static int count = 0;
  return stem + "-" + std::to_string(getpid()) + "-" + std::to_string(++count);
}

// What a receive callback was given, on the test's loop.
struct Heard {
  std::vector<std::pair<std::uint32_t, std::uint32_t>> words;  // token, word

  MidiReceive receiver() {
    return [this](std::uint32_t token, std::span<const std::uint32_t> got) {
      for (const auto w : got)
        words.emplace_back(token, w);
    };
  }
  std::vector<std::uint32_t> of(std::uint32_t token) const {
    std::vector<std::uint32_t> out;
    for (const auto& [t, w] : words)
      if (t == token) out.push_back(w);
    return out;
  }
};

MidiRef refNamed(const std::vector<MidiEndpoint>& list, const std::string& device, const std::string& name) {
  for (const auto& e : list)
    if (e.device == device && e.name == name) return e.ref;
  return 0;
}

TEST(JackNaming, ClientNamesLoseTheirColonsAndFitAndDevicesComeFromBridgeA2jAndAliasNamesOnly) {
  EXPECT_EQ(jackmidi::clientName("Orvane VUDA Verer: MIDI to Key Stroke", 60),
            "Orvane VUDA Verer - MIDI to Key Stroke");
  EXPECT_EQ(jackmidi::clientName("a:b: :", 60), "a-b - -");
  EXPECT_EQ(jackmidi::clientName("a:b: :", 5), "a-b -");
  EXPECT_EQ(jackmidi::deviceFromName("alsa_pcm:OXI-E16/midi_capture_1"), "OXI-E16");
  EXPECT_EQ(jackmidi::deviceFromName("a2j:OXI E16 [24] (capture): OXI E16 MIDI 1"), "OXI E16");
  EXPECT_EQ(jackmidi::deviceFromName("OXI E16 [24] (playback): OXI E16 MIDI 3"), "OXI E16");
  for (const char* none : {"system:midi_capture_1", "alsa_pcm:no-slash", "Box [x] (capture): y"})
    EXPECT_EQ(jackmidi::deviceFromName(none), "") << none;
  // PipeWire's sequencer bridge: its own client holds every controller; the "client:port" alias names each.
  EXPECT_EQ(jackmidi::deviceFromAliases({"alsa:seq:default:client_24:capture_0", "OXI E16:OXI E16 MIDI 1"}),
            "OXI E16");
  EXPECT_EQ(jackmidi::deviceFromAliases({"OXI E16:OXI E16 MIDI 1"}), "") << "not behind the bridge";
}

TEST(JackRing, RecordsStayWholeAcrossTheWrapAndAFullRingTakesNothing) {
  jackmidi::Ring ring(16);  // holds 15 bytes
  const Bytes head{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, tail{11, 12, 13, 14};
  Bytes out(12);
  ASSERT_TRUE(ring.push(head.data(), head.size()));
  ASSERT_TRUE(ring.pop(out.data(), 10));
  ASSERT_TRUE(ring.push(head.data(), 8, tail.data(), 4));  // crosses the end of the buffer
  EXPECT_FALSE(ring.push(head.data(), 4));                 // 12 + 4 > 15: refused whole
  ASSERT_TRUE(ring.peek(out.data(), 12));
  EXPECT_EQ(out, (Bytes{1, 2, 3, 4, 5, 6, 7, 8, 11, 12, 13, 14}));
  EXPECT_FALSE(ring.pop(out.data(), 13));
  EXPECT_TRUE(ring.pop(out.data(), 12));
  EXPECT_FALSE(ring.peek(out.data(), 1));
}

// Without a server the system retries every second for as long as the program runs: libjack's complaints
// about each attempt would fill the journal.
TEST(JackMidiSystem, WaitsForAServerWithoutWritingToStandardError) {
  const TempFolder folder;
  const int saved = dup(STDERR_FILENO);
  const int file = open((folder.path() + "/stderr").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  ASSERT_GE(file, 0);
  dup2(file, STDERR_FILENO);
  close(file);
  bool online = true;
  {
    ThreadLoop loop;
    online = JackMidiSystem(loop, "vuda-no-such-server").online();
  }
  dup2(saved, STDERR_FILENO);
  close(saved);
  EXPECT_FALSE(online);
  EXPECT_EQ(folder.read("stderr"), "");
}

// One peer and one client of ours through their life: listing, receiving, sending, a destination whose link
// JACK never applies, ports coming and going, disposing.
TEST(JackMidiSystem, ListsReceivesFromAndSendsExactBytesToOtherClientsPorts) {
  REQUIRE_SERVICE("JACK_DEFAULT_SERVER", "the JACK server");
  JackPeer peer(unique("peer"), {"out1", "out2", "out3"}, {"in1", "in2"});
  ASSERT_NE(peer.jack(), nullptr);
  const auto alias = [&](const std::string& port, const char* text) {
    jack_port_set_alias(jack_port_by_name(peer.jack(), (peer.name() + ":" + port).c_str()), text);
  };
  alias("out2", "alsa_pcm:Fake-E16/midi_capture_2");
  // Two controllers behind PipeWire's sequencer bridge, which the peer stands for: two devices.
  alias("out3", "alsa:seq:default:client_24:capture_0");
  alias("out3", "Fake Pad:Fake Pad MIDI 1");
  alias("in2", "alsa:seq:default:client_28:playback_0");
  alias("in2", "Other Pad:Other Pad MIDI 1");
  Heard heard;  // before the system, which may call into it until it is gone
  std::atomic<int> changes{0};
  ThreadLoop loop;
  JackMidiSystem midi(loop);
  ASSERT_TRUE(midi.online());

  // Listing: every port with its device, a bridge's aliases naming one; refs are stable.
  MidiRef out1 = 0, out2 = 0, in1 = 0, in2 = 0;
  ASSERT_TRUE(loop.runUntil([&] {
    out1 = refNamed(midi.sources(), peer.name(), "out1");
    out2 = refNamed(midi.sources(), "Fake-E16", "out2");
    in1 = refNamed(midi.destinations(), peer.name(), "in1");
    in2 = refNamed(midi.destinations(), "Other Pad", "in2");
    return out1 && out2 && in1 && in2;
  }));
  EXPECT_NE(refNamed(midi.sources(), "Fake Pad", "out3"), 0u);
  EXPECT_EQ(refNamed(midi.sources(), peer.name(), "out1"), out1);
  for (const auto& e : midi.sources())
    EXPECT_FALSE(e.offline);
  const auto devices = midi.devices();
  EXPECT_TRUE(
      std::any_of(devices.begin(), devices.end(), [&](const auto& d) { return d.name == peer.name(); }));

  const MidiRef client = midi.createClient("Orvane VUDA Verer: MIDI to Key Stroke", [&] { ++changes; });
  const MidiRef input = midi.createInputPort(client, "in", heard.receiver());
  const MidiRef output = midi.createOutputPort(client, "out");
  const std::string ours = midi.jackClientName(client);
  EXPECT_EQ(ours.rfind("Orvane VUDA Verer - MIDI to Key Stroke", 0), 0u);
  ASSERT_TRUE(midi.connectSource(input, out1, 7));
  ASSERT_TRUE(midi.connectSource(input, out2, 9));
  ASSERT_TRUE(midi.send(output, in1, 0x20903C40));  // makes the port as it sends
  ASSERT_NE(jack_port_by_name(peer.jack(), (ours + ":in 7").c_str()), nullptr);
  ASSERT_NE(jack_port_by_name(peer.jack(), (ours + ":out → in1").c_str()), nullptr);
  // Its own ports, and those of its watching client, are never listed.
  for (const auto& list : {midi.sources(), midi.destinations()})
    for (const auto& e : list) {
      EXPECT_NE(e.device, ours);
      EXPECT_EQ(e.device.find("Orvane VUDA Verer watch"), std::string::npos);
    }

  // Receiving: each source's messages as words with its token, in order. JACK applies a connection a few
  // cycles after it is made; what a source sends before then is lost.
  ASSERT_TRUE(loop.runUntil([&] { return peer.linked(1) && peer.linked(2); }));
  std::vector<std::uint32_t> want1, want2;
  for (std::uint8_t i = 0; i < 100; ++i) {
    peer.send(1, {0xB0, 0x01, i});
    want1.push_back(0x20B00100u | i);
    if (i % 4 == 0) {
      peer.send(2, {0x90, 0x3C, 0x40});
      peer.send(2, {0xC1, i});
      want2.insert(want2.end(), {0x20903C40u, 0x20C10000u | std::uint32_t{i} << 8});
    }
  }
  ASSERT_TRUE(loop.runUntil(
      [&] { return heard.of(7).size() >= want1.size() && heard.of(9).size() >= want2.size(); }));
  EXPECT_EQ(heard.of(7), want1);
  EXPECT_EQ(heard.of(9), want2);
  midi.disconnectSource(input, out2);
  EXPECT_EQ(jack_port_by_name(peer.jack(), (ours + ":in 9").c_str()), nullptr);
  EXPECT_EQ(midi.droppedEvents(), 0u);

  // Sending: exactly these bytes, in order, to the addressed destination only.
  std::vector<Bytes> want{{0x90, 0x3C, 0x40}};
  for (std::uint32_t i = 0; i < 60; ++i) {
    ASSERT_TRUE(midi.send(output, in1, 0x20B00000u | (i % 16) << 16 | 0x4000u | i));
    want.push_back({static_cast<std::uint8_t>(0xB0 | i % 16), 0x40, static_cast<std::uint8_t>(i)});
  }
  ASSERT_TRUE(midi.send(output, in1, 0x20C20500));
  ASSERT_TRUE(midi.send(output, in1, 0x10F80000));
  want.insert(want.end(), {{0xC2, 0x05}, {0xF8}});
  ASSERT_TRUE(midi.send(output, in2, 0x20913C40));
  ASSERT_TRUE(loop.runUntil([&] { return peer.heard(1).size() >= want.size() && !peer.heard(2).empty(); }));
  EXPECT_EQ(peer.heard(1), want) << "the first message, sent as the port was made, arrives too";
  EXPECT_EQ(peer.heard(2), (std::vector<Bytes>{{0x91, 0x3C, 0x40}}));
  EXPECT_FALSE(midi.send(output, in1, 0x40903C40)) << "a MIDI 2.0 word is refused";
  EXPECT_FALSE(midi.send(output, 999999, 0x20903C40)) << "an unknown destination is refused";
  EXPECT_FALSE(midi.send(output, out1, 0x20903C40)) << "a source is no destination";

  // Each destination has its own queue: a message waiting for a link that JACK never applies holds back none
  // sent to another destination after it, and when it is given up, it is counted.
  {
    const jackprobe::HiddenLinks neverLinked(peer.name() + ":in2");
    ASSERT_TRUE(midi.send(output, in2, 0x20903C02));
    ASSERT_TRUE(midi.send(output, in1, 0x20903C03));
    ASSERT_TRUE(loop.runUntil([&] { return peer.heard(1).size() == want.size() + 1; }));
    EXPECT_EQ(midi.droppedSends(), 0u) << "the steady destination's message waited for the stuck one";
    EXPECT_TRUE(loop.runUntil([&] { return midi.droppedSends() == 1; }));
    EXPECT_EQ(peer.heard(2).size(), 1u);
  }

  // A port that comes, goes and comes back is announced each time and keeps its ref.
  const auto late = [&] { return refNamed(midi.sources(), peer.name(), "late"); };
  int before = changes;
  jack_port_t* port = jack_port_register(peer.jack(), "late", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
  ASSERT_TRUE(loop.runUntil([&] { return changes > before && late() != 0; }));
  const MidiRef lateRef = late();
  before = changes;
  jack_port_unregister(peer.jack(), port);
  ASSERT_TRUE(loop.runUntil([&] { return changes > before && late() == 0; }));
  jack_port_register(peer.jack(), "late", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
  ASSERT_TRUE(loop.runUntil([&] { return late() != 0; }));
  EXPECT_EQ(late(), lateRef);

  // A DAW that quits and comes back gets what is sent once it is listed again, without a retry.
  const std::string dawName = unique("daw");
  auto daw = std::make_unique<JackPeer>(dawName, std::vector<std::string>{}, std::vector<std::string>{"in1"});
  MidiRef toDaw = 0;
  ASSERT_TRUE(loop.runUntil([&] { return (toDaw = refNamed(midi.destinations(), dawName, "in1")) != 0; }));
  ASSERT_TRUE(midi.send(output, toDaw, 0x20903C10));
  ASSERT_TRUE(loop.runUntil([&] { return daw->heard().size() == 1; }));
  daw.reset();
  ASSERT_TRUE(loop.runUntil([&] { return refNamed(midi.destinations(), dawName, "in1") == 0; }));
  daw = std::make_unique<JackPeer>(dawName, std::vector<std::string>{}, std::vector<std::string>{"in1"});
  ASSERT_TRUE(loop.runUntil([&] { return refNamed(midi.destinations(), dawName, "in1") == toDaw; }));
  ASSERT_TRUE(midi.send(output, toDaw, 0x20903C11));
  EXPECT_TRUE(loop.runUntil([&] { return daw->heard() == std::vector<Bytes>{{0x90, 0x3C, 0x11}}; }));

  midi.disposeClient(client);
  EXPECT_EQ(jack_port_by_name(peer.jack(), (ours + ":in 7").c_str()), nullptr)
      << "disposing removes its ports";
  EXPECT_FALSE(midi.send(output, in1, 0x20903C40));
  EXPECT_EQ(jackprobe::graphQuestionsInProcess(), 0) << "a process callback asked JACK about the graph";
}

// While the main loop is busy, a burst fills the client's ring: what does not fit is counted as lost, in
// order with what came before and after it, and everything else arrives.
TEST(JackMidiSystem, InputThatFindsTheRingFullIsCountedAsLostAndTheRestArrivesInOrder) {
  REQUIRE_SERVICE("JACK_DEFAULT_SERVER", "the JACK server");
  JackPeer peer(unique("peer"), {"out1"}, {});
  ASSERT_NE(peer.jack(), nullptr);
  Heard heard;
  std::vector<std::uint64_t> lost;
  ThreadLoop loop;
  JackMidiSystem midi(loop);
  const MidiRef client = midi.createClient(unique("ours"), [] {});
  const MidiRef input = midi.createInputPort(client, "in", heard.receiver(),
                                             [&](std::uint64_t count) { lost.push_back(count); });
  MidiRef source = 0;
  ASSERT_TRUE(loop.runUntil([&] { return (source = refNamed(midi.sources(), peer.name(), "out1")) != 0; }));
  ASSERT_TRUE(midi.connectSource(input, source, 1));
  ASSERT_TRUE(loop.runUntil([&] { return peer.linked(1); }));

  // The loop does not run: 6000 controller changes, numbered, against a ring with room for about 4400.
  std::uint32_t next = 0;
  while (next < 6000) {
    for (const std::uint32_t end = next + 200; next < end; ++next)  // a cycle's worth
      peer.send(1, {0xB0, static_cast<std::uint8_t>(next >> 7), static_cast<std::uint8_t>(next & 0x7F)});
    ASSERT_TRUE(eventually([&] { return peer.sent() == next; }));
  }
  const auto counted = [&] {
    std::uint64_t all = heard.words.size();
    for (const auto n : lost)
      all += n;
    return all;
  };
  // All of it is accounted for, unless a late cycle lost some inside JACK; never more than was sent.
  ASSERT_TRUE(loop.runUntil([&] { return counted() == peer.sent(); }) || peer.xruns() > 0);
  ASSERT_LE(counted(), peer.sent());
  ASSERT_FALSE(lost.empty());
  EXPECT_EQ(midi.droppedEvents(), counted() - heard.words.size());
  // Each message is its own: what arrived arrived whole and in order, the first of them first.
  EXPECT_EQ(heard.words.front().second, 0x20B00000u);
  for (std::size_t i = 1; i < heard.words.size(); ++i)
    ASSERT_LT(heard.words[i - 1].second, heard.words[i].second);
}

// The server goes away and comes back. While the system closes its clients' JACK handles the engine disposes
// of one: it stays whole until its handle is closed, as JACK's process thread may use it until then.
TEST(JackMidiSystem, OutlivesTheServerAndReopensItsClientsAndConnectionsWhenItReturns) {
  const TempFolder folder;
  PrivateJackServer jackd(folder);
  ASSERT_TRUE(jackd.answers()) << "a private JACK server did not start; " << jackd.log();
  const std::string server = jackd.name();
  std::atomic<int> changes{0};
  Heard heard;
  ThreadLoop loop;
  JackMidiSystem midi(loop, server);
  const MidiRef client = midi.createClient(unique("ours"), [&] { ++changes; });
  const MidiRef input = midi.createInputPort(client, "in", heard.receiver());
  const MidiRef output = midi.createOutputPort(client, "out");
  const MidiRef doomed = midi.createClient(unique("doomed"), [] {});
  ASSERT_FALSE(midi.jackClientName(doomed).empty());
  const std::string peerName = unique("peer");
  MidiRef source = 0;
  MidiRef destination = 0;
  {
    JackPeer peer(peerName, {"out1"}, {"in1"}, server);
    ASSERT_TRUE(loop.runUntil([&] { return (source = refNamed(midi.sources(), peer.name(), "out1")) != 0; }));
    destination = refNamed(midi.destinations(), peer.name(), "in1");
    ASSERT_TRUE(midi.connectSource(input, source, 3));
    ASSERT_TRUE(midi.send(output, destination, 0x20903C40));

    const int before = changes;
    jackprobe::HeldCloses closes;
    jackd.kill();
    ASSERT_TRUE(eventually([&] { return closes.waiting(); }));
    midi.disposeClient(doomed);
    closes.release();  // the client's handle is closed now, after one more cycle
    ASSERT_TRUE(loop.runUntil(
        [&] { return changes > before && !midi.online() && peer.gone() && !closes.waiting(); }));
  }
  EXPECT_TRUE(midi.sources().empty());
  EXPECT_TRUE(midi.destinations().empty());
  EXPECT_TRUE(midi.devices().empty());
  EXPECT_FALSE(midi.send(output, destination, 0x20903C40));
  const MidiRef later = midi.createClient(unique("later"), [] {});
  EXPECT_NE(later, 0u) << "a client can be made while the server is away";

  const int before = changes;
  ASSERT_TRUE(jackd.start()) << jackd.log();
  ASSERT_TRUE(loop.runUntil([&] { return changes > before && midi.online(); }, 10));
  EXPECT_FALSE(midi.jackClientName(later).empty());

  // The same peer comes back: the connection and the destination made before the outage work again.
  JackPeer peer(peerName, {"out1"}, {"in1"}, server);
  ASSERT_TRUE(loop.runUntil([&] { return refNamed(midi.sources(), peer.name(), "out1") == source; }));
  ASSERT_TRUE(loop.runUntil([&] {
    peer.send(1, {0x90, 0x3C, 0x40});
    return !heard.of(3).empty();
  }));
  EXPECT_EQ(heard.of(3).front(), 0x20903C40u);
  ASSERT_TRUE(
      loop.runUntil([&] { return midi.send(output, destination, 0x20803C00) && !peer.heard(1).empty(); }));
}

}  // namespace
