// The ALSA backend against a real sequencer: listings, a note through Midi Through, each source's own status,
// a queue overflow, a client disposed from its own receive, devices plugged in again and announced, and the
// automatic choice.
#include "platform/alsa/alsa_midi_system.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <future>

#include "app/midi_choice.h"
#include "seq_peer.h"
#include "support/thread_loop.h"

namespace {

using Words = std::vector<std::uint32_t>;

class AlsaSystem : public ::testing::Test {
 protected:
  void SetUp() override { REQUIRE_SEQUENCER(); }

  MidiRef ref(const std::vector<MidiEndpoint>& list, const std::string& name) {
    for (const auto& e : list)
      if (e.name == name) return e.ref;
    return 0;
  }
  // A client whose input port records every delivery with its token, and each loss.
  void listen(const std::string& name) {
    client = midi.createClient(name, [this] { ++changes; });
    const auto receive = [this](std::uint32_t token, std::span<const std::uint32_t> words) {
      const std::lock_guard lock(mutex);
      got.emplace_back(token, Words(words.begin(), words.end()));
    };
    input =
        midi.createInputPort(client, "in", receive, [this](std::uint64_t count) { lost.push_back(count); });
    output = midi.createOutputPort(client, "out");
  }
  bool received(std::uint32_t token, Words words) {
    const std::lock_guard lock(mutex);
    return std::find(got.begin(), got.end(), std::make_pair(token, words)) != got.end();
  }
  std::size_t deliveries() {
    const std::lock_guard lock(mutex);
    return got.size();
  }

  // What the system's threads touch is declared before it, so that it outlives them.
  std::mutex mutex;
  std::vector<std::pair<std::uint32_t, Words>> got;
  std::vector<std::uint64_t> lost;
  std::atomic<int> changes{0};
  MidiRef client = 0, input = 0, output = 0;
  ThreadLoop loop;
  AlsaMidiSystem midi{loop};
};

TEST_F(AlsaSystem, ListsMidiThroughAndReceivesFromConnectedSourcesEachWithItsToken) {
  ASSERT_TRUE(midi.online());
  EXPECT_EQ(chooseMidi(loop, "").system->about, "MIDI through the ALSA sequencer, the default");
  listen("Orvane test through");
  const auto sources = midi.sources();
  const auto through =
      std::find_if(sources.begin(), sources.end(), [](auto& e) { return e.name == "Midi Through Port-0"; });
  ASSERT_NE(through, sources.end());
  EXPECT_EQ(through->device, "Midi Through");
  for (const auto& list : {midi.sources(), midi.destinations()})
    for (const auto& e : list)
      EXPECT_TRUE(!e.offline && e.device.rfind("Orvane", 0) != 0 && e.device != "System")
          << e.device << e.name;
  const auto devices = midi.devices();
  EXPECT_TRUE(std::any_of(devices.begin(), devices.end(), [](auto& d) { return d.name == "Midi Through"; }));

  const MidiRef destination = ref(midi.destinations(), "Midi Through Port-0");
  ASSERT_TRUE(destination != 0 && midi.connectSource(input, through->ref, 7));
  ASSERT_TRUE(midi.send(output, destination, 0x20903C40));
  ASSERT_TRUE(loop.runUntil([&] { return received(7, {0x20903C40}); }));
  // Midi Through keeps the order: had the note sent while disconnected come back, it would precede the next.
  midi.disconnectSource(input, through->ref);
  ASSERT_TRUE(midi.send(output, destination, 0x20903C41));
  ASSERT_TRUE(midi.connectSource(input, through->ref, 8));
  ASSERT_TRUE(midi.send(output, destination, 0x20903C42));
  ASSERT_TRUE(loop.runUntil([&] { return received(8, {0x20903C42}); }));
  EXPECT_EQ(deliveries(), 2u);
  EXPECT_FALSE(midi.send(output, destination, 0x40903C40));  // a MIDI 2.0 word
  EXPECT_FALSE(midi.send(output, 999999, 0x20903C40));       // nowhere

  // The same status from two sources in a row: the second must not lean on the first's running status.
  SeqPeer peer("Orvane test peer");
  const int one = peer.readable("one out"), two = peer.readable("two out");
  ASSERT_TRUE(midi.connectSource(input, ref(midi.sources(), "one out"), 1));
  ASSERT_TRUE(midi.connectSource(input, ref(midi.sources(), "two out"), 2));
  ASSERT_TRUE(peer.play(one, {0x90, 2, 2}) && peer.play(two, {0x90, 3, 3}));
  ASSERT_TRUE(loop.runUntil([&] { return received(2, {0x20900303}); }));
  EXPECT_TRUE(received(1, {0x20900202}));
}

// While the loop does not run, a burst overflows the kernel's queue for our client (2000 at most): the port
// hears that some were lost (the kernel does not say how many), and what comes afterwards arrives.
TEST_F(AlsaSystem, ABurstThatOverflowsTheKernelsQueueIsToldAsALossAndWhatFollowsArrives) {
  listen("Orvane test burst");
  SeqPeer peer("Orvane test peer");
  const int two = peer.readable("two out");
  ASSERT_TRUE(midi.connectSource(input, ref(midi.sources(), "two out"), 2));
  for (int i = 0; i < 3000; ++i)
    peer.play(two, {0xB0, 1, static_cast<std::uint8_t>(i & 0x7F)});
  ASSERT_TRUE(loop.runUntil([&] { return !lost.empty(); }));
  EXPECT_EQ(lost, (std::vector<std::uint64_t>{0}));
  ASSERT_TRUE(peer.play(two, {0x90, 0x3C, 0x40}));
  EXPECT_TRUE(loop.runUntil([&] { return received(2, {0x20903C40}); }));
}

// A client disposed from its own receive stops at once: it hears one message of two, which another client
// hears both of.
TEST_F(AlsaSystem, AClientDisposedFromItsOwnReceiveHearsNothingMore) {
  listen("Orvane test witness");
  SeqPeer peer("Orvane test peer");
  const int one = peer.readable("one out");
  ASSERT_TRUE(midi.connectSource(input, ref(midi.sources(), "one out"), 1));
  std::atomic<int> calls{0};
  const MidiRef doomed = midi.createClient("Orvane test disposed", [] {});
  const MidiRef doomedIn =
      midi.createInputPort(doomed, "in", [&](std::uint32_t, std::span<const std::uint32_t>) {
        ++calls;
        midi.disposeClient(doomed);
      });
  ASSERT_TRUE(midi.connectSource(doomedIn, ref(midi.sources(), "one out"), 1));
  ASSERT_TRUE(peer.play(one, {0x90, 1, 1}) && peer.play(one, {0x90, 1, 2}));
  ASSERT_TRUE(loop.runUntil([&] { return received(1, {0x20900102}); }));
  EXPECT_EQ(calls, 1);
  EXPECT_FALSE(midi.connectSource(doomedIn, ref(midi.sources(), "one out"), 1));
}

// A device plugged in again gets a new client number, and another client may take its old one meanwhile.
TEST_F(AlsaSystem,
       ADevicePluggedInAgainKeepsItsRefsAndItsConnectionAndSendsNeverReachWhoeverHasItsOldAddress) {
  listen("Orvane test replug");
  auto device = std::make_unique<SeqPeer>("Orvane test device");
  int out = device->readable("device out"), in = device->writable("synth in");
  const int first = device->number();
  const MidiRef source = ref(midi.sources(), "device out"), synth = ref(midi.destinations(), "synth in");
  const SeqPeer::Bytes sysex = {0xF0, 0x00, 0x00, 0x66, 0x14, 0x01, 0x7F, 0xF7};
  ASSERT_TRUE(midi.connectSource(input, source, 5) && midi.send(output, synth, 0x20903C01) &&
              midi.sendSysex(output, synth, sysex));
  ASSERT_TRUE(loop.runUntil([&] { return device->heard(in).size() == 2; }));
  EXPECT_EQ(device->heard(in)[1], sysex);

  // Hold the system's watcher inside a listener, so that what happens next is not yet known to it: the send
  // must find out by itself that the address it remembers now belongs to someone else.
  std::promise<void> entered, release;
  std::shared_future<void> released = release.get_future().share();
  std::atomic<bool> armed{true};
  const MidiRef blocker = midi.createClient("Orvane test blocker", [&] {
    if (!armed.exchange(false)) return;
    entered.set_value();
    released.wait();
  });
  // However the test ends, the watcher is let go and the blocker gone before what it uses goes.
  const std::shared_ptr<void> unblock(nullptr, [&](void*) {
    armed = false;
    if (released.wait_for(std::chrono::seconds(0)) != std::future_status::ready) release.set_value();
    midi.disposeClient(blocker);
  });
  SeqPeer nudge("Orvane test nudge");
  nudge.readable("nudge out");
  ASSERT_EQ(entered.get_future().wait_for(std::chrono::seconds(5)), std::future_status::ready);

  const int before = changes;
  device.reset();
  SeqPeer squatter("Orvane test squatter");
  squatter.readable("squatter out");
  const int squatterIn = squatter.writable("synth in");
  ASSERT_EQ(squatter.number(), first);  // the very address the device had
  ASSERT_EQ(squatterIn, in);
  EXPECT_FALSE(midi.send(output, synth, 0x20903C02));
  release.set_value();

  device = std::make_unique<SeqPeer>("Orvane test device");
  out = device->readable("device out");
  in = device->writable("synth in");
  EXPECT_NE(device->number(), first);
  EXPECT_EQ(ref(midi.sources(), "device out"), source);
  // Nobody connects again: the system follows the device by itself once it has heard of it, and says so.
  EXPECT_TRUE(loop.runUntil([&] { return device->play(out, {0x90, 60, 2}) && received(5, {0x20903C02}); }));
  EXPECT_GT(changes, before);
  EXPECT_TRUE(midi.send(output, synth, 0x20903C03));
  ASSERT_TRUE(loop.runUntil([&] { return device->heard(in).size() == 1; }));
  EXPECT_EQ(device->heard(in)[0], (SeqPeer::Bytes{0x90, 0x3C, 0x03}));
  EXPECT_TRUE(squatter.heard(squatterIn).empty());
}

}  // namespace
