// The JACK backend against real servers: the run's server for listing, receiving and sending, and a private
// server that is stopped and started again for the outage; a peer JACK client in the test plays the other
// side. Its names and its ring on their own.
#include "platform/jack/jack_midi_system.h"

#include <gtest/gtest.h>

#include <map>

#include "platform/jack/jack_names.h"
#include "platform/jack/jack_ring.h"
#include "program/jack_peer.h"
#include "support/jack_probe.h"
#include "support/private_jack_server.h"
#include "support/services.h"
#include "support/thread_loop.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using Words = std::vector<std::uint32_t>;

std::string unique(const std::string& stem) {
  static int count = 0;
  return stem + "-" + std::to_string(getpid()) + "-" + std::to_string(++count);
}

MidiRef refNamed(const std::vector<MidiEndpoint>& list, const std::string& device, const std::string& name) {
  for (const auto& e : list)
    if (e.device == device && e.name == name) return e.ref;
  return 0;
}

// Colons would make JACK read a client name as a port's; a2j's and ALSA's port names and aliases hold the
// device's name (the bridge's aliases are the story's).
TEST(JackNaming, ClientNamesLoseTheirColonsAndFitAndDevicesComeFromA2jAndAlsaNamesOnly) {
  EXPECT_EQ(jackmidi::clientName("a:b: :", 5), "a-b -");
  for (const auto& [name, device] : std::vector<std::pair<const char*, const char*>>{
           {"alsa_pcm:OXI-E16/midi_capture_1", "OXI-E16"},
           {"a2j:OXI E16 [29] (capture): OXI E16 MIDI 1", "OXI E16"},
           {"OXI E16 [24] (playback): OXI E16 MIDI 3", "OXI E16"},
           {"system:midi_capture_1", ""}})
    EXPECT_EQ(jackmidi::deviceFromName(name), device) << name;
}

// A record split over the ring's end with its header alone filling the first segment reads back whole.
TEST(JackRing, ARecordWhoseHeaderEndsAtTheRingsEndReadsBackWhole) {
  jackmidi::Ring ring(16);
  char out[16] = {};
  ASSERT_TRUE(ring.push("0123456789ab", 12) && ring.pop(out, 12));  // 4 bytes left before the end
  ASSERT_TRUE(ring.push("head", 4, "payload", 7) && ring.pop(out, 11));
  EXPECT_EQ(std::string(out, 11), "headpayload");
}

// A peer with two outputs and two inputs, and one client of ours with an input and an output port, on the
// run's server.
struct JackPair : ::testing::Test {
  void SetUp() override {
    REQUIRE_SERVICE("JACK_DEFAULT_SERVER", "the JACK server");
    ASSERT_TRUE(peer.open());
    ASSERT_TRUE(loop.runUntil([&] {
      out1 = refNamed(midi.sources(), peer.name(), "out1");
      in1 = refNamed(midi.destinations(), peer.name(), "in1");
      return out1 && in1;
    }));
    client = midi.createClient("Orvane VUDA Verer: MIDI to Key Stroke", [] {});
    input = midi.createInputPort(
        client, "in",
        [&](std::uint32_t token, std::span<const std::uint32_t> got) {
          heard[token].insert(heard[token].end(), got.begin(), got.end());
        },
        [&](std::uint64_t count) { lost += count; });
    output = midi.createOutputPort(client, "out");
    ours = midi.jackClientName(client);
  }

  JackPeer peer{unique("peer"), {"out1", "out2"}, {"in1", "in2"}};
  // By token; before the system, which may call into it until it is gone.
  std::map<std::uint32_t, Words> heard;
  std::uint64_t lost = 0;
  ThreadLoop loop;
  JackMidiSystem midi{loop};
  MidiRef out1 = 0, in1 = 0, client = 0, input = 0, output = 0;
  std::string ours;
};

// Listing, receiving, sending, a destination whose link JACK never applies, disposing.
TEST_F(JackPair, ListsReceivesFromAndSendsExactBytesToOtherClientsPorts) {
  // The second input is a controller behind PipeWire's sequencer bridge, which the peer stands for.
  for (const auto& [port, alias] : {std::pair{":out2", "alsa_pcm:Fake-E16/midi_capture_2"},
                                    {":in2", "alsa:seq:default:client_28:playback_0"},
                                    {":in2", "Other Pad:Other Pad MIDI 1"}})
    jack_port_set_alias(jack_port_by_name(peer.jack(), (peer.name() + port).c_str()), alias);
  MidiRef out2 = 0, in2 = 0;
  ASSERT_TRUE(loop.runUntil([&] {
    out2 = refNamed(midi.sources(), "Fake-E16", "out2");
    in2 = refNamed(midi.destinations(), "Other Pad", "in2");
    return out2 && in2;
  }));
  const int scans = jackprobe::portScansOnThisThread();
  const auto devices = midi.devices();
  EXPECT_TRUE(std::any_of(devices.begin(), devices.end(), [&](auto& d) { return d.name == peer.name(); }));
  EXPECT_EQ(jackprobe::portScansOnThisThread(), scans)
      << "a listing walked JACK's port table on its caller's thread";
  EXPECT_EQ(ours.rfind("Orvane VUDA Verer - MIDI to Key Stroke", 0), 0u);
  ASSERT_TRUE(midi.connectSource(input, out1, 7) && midi.connectSource(input, out2, 9));
  midi.prepare(output, in1);  // makes the port ahead of the first message
  ASSERT_NE(jack_port_by_name(peer.jack(), (ours + ":in 7").c_str()), nullptr);
  ASSERT_NE(jack_port_by_name(peer.jack(), (ours + ":out → in1").c_str()), nullptr);
  // Its own ports, and those of its watching client, are never listed.
  for (const auto& list : {midi.sources(), midi.destinations()})
    for (const auto& e : list)
      EXPECT_TRUE(e.device != ours && e.device.find("Orvane VUDA Verer watch") == std::string::npos);

  // Receiving: each source's messages as words with its token, in order. JACK applies a connection a few
  // cycles after it is made; what a source sends before then is lost.
  ASSERT_TRUE(loop.runUntil([&] { return peer.linked(1) && peer.linked(2); }));
  for (const Bytes& m : {Bytes{0xB0, 1, 5}, Bytes{0x90, 0x3C, 0x40}, Bytes{0xC1, 7}, Bytes{0xB0, 1, 6}})
    peer.send(m[0] == 0xB0 ? 1 : 2, m);
  ASSERT_TRUE(loop.runUntil([&] { return heard[7].size() + heard[9].size() >= 4; }));
  EXPECT_EQ(heard[7], (Words{0x20B00105, 0x20B00106}));
  EXPECT_EQ(heard[9], (Words{0x20903C40, 0x20C10700}));
  midi.disconnectSource(input, out2);
  EXPECT_EQ(jack_port_by_name(peer.jack(), (ours + ":in 9").c_str()), nullptr);

  // Sending: exactly these bytes, in order, to the addressed destination only, one, two and three bytes long
  // and the lowest channel status among them (which other words make which bytes is MidiWire's); a system
  // exclusive message whole.
  const std::vector<std::uint8_t> sysex = {0xF0, 0x00, 0x00, 0x66, 0x14, 0x01, 0x7F, 0xF7};
  for (const std::uint32_t word : {0x20903C40u, 0x20C20500u, 0x10F80000u, 0x20803C00u})
    ASSERT_TRUE(midi.send(output, in1, word));
  ASSERT_TRUE(midi.sendSysex(output, in1, sysex));
  EXPECT_FALSE(midi.sendSysex(output, in1, std::vector<std::uint8_t>{0xF0, 0x80, 0xF7}));
  ASSERT_TRUE(midi.send(output, in2, 0x20913C40));
  const std::vector<Bytes> want{{0x90, 0x3C, 0x40}, {0xC2, 0x05}, {0xF8}, {0x80, 0x3C, 0}, sysex};
  ASSERT_TRUE(loop.runUntil([&] { return peer.heard(1).size() >= want.size() && !peer.heard(2).empty(); }));
  EXPECT_EQ(peer.heard(1), want);
  EXPECT_EQ(peer.heard(2), (std::vector<Bytes>{{0x91, 0x3C, 0x40}}));

  // Each destination has its own queue: a message waiting for a link that JACK never applies holds back none
  // sent to another destination after it, and when it is given up, it is counted.
  {
    const jackprobe::HiddenLinks neverLinked(peer.name() + ":in2");
    ASSERT_TRUE(midi.send(output, in2, 0x20903C02) && midi.send(output, in1, 0x20903C03));
    ASSERT_TRUE(loop.runUntil([&] { return peer.heard(1).size() == want.size() + 1; }));
    EXPECT_EQ(midi.droppedSends(), 0u) << "the steady destination's message waited for the stuck one";
    EXPECT_TRUE(loop.runUntil([&] { return midi.droppedSends() == 1; }));
    EXPECT_EQ(peer.heard(2).size(), 1u);
  }
  EXPECT_EQ(jackprobe::graphQuestionsInProcess(), 0) << "a process callback asked JACK about the graph";

  midi.disposeClient(client);
  EXPECT_EQ(jack_port_by_name(peer.jack(), (ours + ":in 7").c_str()), nullptr) << "disposing removes ports";
  EXPECT_FALSE(midi.send(output, in1, 0x20903C40));
  // Its name is free again: another program's client under it is listed like any other.
  const JackPeer successor(ours, {"out"}, {});
  ASSERT_EQ(successor.name(), ours);
  EXPECT_TRUE(loop.runUntil([&] { return refNamed(midi.sources(), ours, "out") != 0; }));
}

// While the loop does not run, a burst fills the client's ring (room for about 4400): what does not fit is
// counted as lost, in order with what came before and after it, and everything else arrives.
TEST_F(JackPair, ABurstThatFillsTheRingIsCountedAsLostAndTheRestArrivesInOrder) {
  ASSERT_TRUE(midi.connectSource(input, out1, 7));
  ASSERT_TRUE(loop.runUntil([&] { return peer.linked(1); }));
  const std::size_t before = peer.sent();
  for (std::uint32_t next = 0; next < 6000;) {
    for (const std::uint32_t end = next + 200; next < end; ++next)  // a cycle's worth
      peer.send(1, {0xB0, static_cast<std::uint8_t>(next >> 7), static_cast<std::uint8_t>(next & 0x7F)});
    ASSERT_TRUE(eventually([&] { return peer.sent() == before + next; }));
  }
  const Words& got = heard[7];
  // All of it is accounted for, unless a late cycle lost some inside JACK; never more than was sent.
  ASSERT_TRUE(loop.runUntil([&] { return got.size() + lost == peer.sent() - before; }) || peer.xruns() > 0);
  ASSERT_LE(got.size() + lost, peer.sent() - before);
  ASSERT_GT(lost, 0u);
  EXPECT_EQ(midi.droppedEvents(), lost);
  EXPECT_EQ(got.front(), 0x20B00000u);
  EXPECT_TRUE(std::is_sorted(got.begin(), got.end()) &&
              std::adjacent_find(got.begin(), got.end()) == got.end());
}

// The server goes away and comes back; the run's other tests have seen the connections work. While the system
// closes its clients' JACK handles the engine disposes of one: it stays whole until its handle is closed, as
// JACK's process thread may use it until then.
TEST(JackMidiSystem, OutlivesTheServerAndReopensItsClientsWhenItReturns) {
  const TempFolder folder;
  PrivateJackServer jackd(folder);
  ASSERT_TRUE(jackd.answers()) << "a private JACK server did not start; " << jackd.log();
  std::atomic<int> changes{0};
  ThreadLoop loop;
  JackMidiSystem midi(loop, jackd.name());
  const MidiRef output = midi.createOutputPort(midi.createClient(unique("ours"), [&] { ++changes; }), "out");
  const MidiRef doomed = midi.createClient(unique("doomed"), [] {});
  ASSERT_FALSE(midi.jackClientName(doomed).empty());
  const std::string peerName = unique("peer");
  const std::vector<std::string> none, in1 = {"in1"};
  auto peer = std::make_unique<JackPeer>(peerName, none, in1, jackd.name());
  MidiRef destination = 0;
  ASSERT_TRUE(loop.runUntil([&] { return (destination = refNamed(midi.destinations(), peerName, "in1")); }));
  ASSERT_TRUE(midi.send(output, destination, 0x20903C40));  // its port made before the outage
  // The peer, a DAW, quits and comes back on the same server: the port towards it is linked again by itself.
  peer.reset();
  peer = std::make_unique<JackPeer>(peerName, none, in1, jackd.name());
  const jack_port_t* input = jack_port_by_name(peer->jack(), (peerName + ":in1").c_str());
  EXPECT_TRUE(loop.runUntil([&] { return jack_port_connected(input) > 0; }));
  EXPECT_EQ(jackprobe::graphQuestionsInProcess(), 0) << "a process callback asked JACK about the graph";

  int before = changes;
  jackprobe::HeldCloses closes;
  jackd.kill();
  ASSERT_TRUE(eventually([&] { return closes.waiting(); }));
  midi.disposeClient(doomed);
  closes.release();  // the client's handle is closed now, after one more cycle
  ASSERT_TRUE(
      loop.runUntil([&] { return changes > before && !midi.online() && peer->gone() && !closes.waiting(); }));
  const MidiRef late = midi.createClient(unique("late"), [] {});  // made while the server is away
  EXPECT_TRUE(midi.sources().empty() && midi.destinations().empty() && midi.devices().empty());
  EXPECT_FALSE(midi.send(output, destination, 0x20903C40));

  before = changes;
  ASSERT_TRUE(jackd.start()) << jackd.log();
  ASSERT_TRUE(loop.runUntil([&] { return changes > before && midi.online(); }, 10));
  EXPECT_TRUE(loop.runUntil([&] { return !midi.jackClientName(late).empty(); }));
  // The same peer comes back under the same ref, and what is sent reaches it again.
  JackPeer back(peerName, none, in1, jackd.name());
  ASSERT_TRUE(loop.runUntil([&] { return refNamed(midi.destinations(), peerName, "in1") == destination; }));
  EXPECT_TRUE(
      loop.runUntil([&] { return midi.send(output, destination, 0x20803C00) && !back.heard().empty(); }));
}

}  // namespace
