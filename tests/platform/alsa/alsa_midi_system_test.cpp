// The ALSA backend against a real sequencer: listings, a note through Midi Through, strangers ignored, a
// queue overflow, devices plugged in again, and the automatic choice. The offline system needs no
// sequencer and runs everywhere.
#include "platform/alsa/alsa_midi_system.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <memory>

#include "platform/midi_choice.h"
#include "seq_peer.h"
#include "support/spawned_process.h"
#include "support/thread_loop.h"

namespace {

using Words = std::vector<std::uint32_t>;

TEST(AlsaOffline, ASequencerThatCannotBeOpenedGivesEmptyListingsAndClientsThatDoNothing) {
  ThreadLoop loop;
  AlsaMidiSystem midi(loop, "vuda-no-such-sequencer");
  EXPECT_FALSE(midi.online());
  EXPECT_FALSE(midi.failure().empty());
  EXPECT_TRUE(midi.sources().empty() && midi.destinations().empty() && midi.devices().empty());
  const MidiRef client = midi.createClient("nothing", [] {});
  ASSERT_NE(client, 0u);
  const MidiRef in = midi.createInputPort(client, "in", {});
  const MidiRef out = midi.createOutputPort(client, "out");
  EXPECT_FALSE(midi.connectSource(in, 1, 1));
  EXPECT_FALSE(midi.send(out, 1, 0x20903C40));
  midi.disconnectSource(in, 1);
  midi.disposeClient(client);
  if (::access("/dev/snd/seq", F_OK) != 0) {
    EXPECT_EQ(AlsaMidiSystem(loop).failure(), "No such file or directory");
  }
}

class AlsaSystem : public ::testing::Test {
 protected:
  void SetUp() override { REQUIRE_SEQUENCER(); }

  static std::optional<MidiEndpoint> named(const std::vector<MidiEndpoint>& list, const std::string& name) {
    for (const auto& e : list)
      if (e.name == name) return e;
    return std::nullopt;
  }

  // A client whose input port records every delivery with its token.
  MidiRef listen(const std::string& name) {
    client = midi.createClient(name, [] {});
    input =
        midi.createInputPort(client, "in", [this](std::uint32_t token, std::span<const std::uint32_t> words) {
          const std::lock_guard lock(mutex);
          got.emplace_back(token, Words(words.begin(), words.end()));
        });
    output = midi.createOutputPort(client, "out");
    return client;
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
  std::atomic<int> calls{0};
  MidiRef client = 0, input = 0, output = 0;
  ThreadLoop loop;
  AlsaMidiSystem midi{loop};
};

TEST_F(AlsaSystem, ListsMidiThroughAndANoteSentThroughItComesBackWithItsSourcesTokenOnlyWhileConnected) {
  ASSERT_TRUE(midi.online());
  EXPECT_EQ(chooseMidi(loop, "").system->about, "MIDI through the ALSA sequencer, the default");
  listen("Orvane test through");
  const auto through = named(midi.sources(), "Midi Through Port-0");
  ASSERT_TRUE(through && named(midi.destinations(), "Midi Through Port-0"));
  EXPECT_EQ(through->device, "Midi Through");
  EXPECT_EQ(named(midi.sources(), "Midi Through Port-0").value().ref, through->ref);  // stable
  for (const auto& list : {midi.sources(), midi.destinations()})
    for (const auto& e : list) {
      EXPECT_FALSE(e.offline);
      EXPECT_TRUE(e.device.rfind("Orvane", 0) != 0 && e.device != "System") << e.device << ": " << e.name;
    }
  const auto devices = midi.devices();
  EXPECT_TRUE(
      std::any_of(devices.begin(), devices.end(), [](const auto& d) { return d.name == "Midi Through"; }));

  const MidiRef source = through->ref;
  const MidiRef destination = named(midi.destinations(), "Midi Through Port-0").value().ref;
  ASSERT_TRUE(midi.connectSource(input, source, 7));
  ASSERT_TRUE(midi.send(output, destination, 0x20903C40));
  ASSERT_TRUE(loop.runUntil([&] { return received(7, {0x20903C40}); }));
  // Midi Through keeps the order: had the note sent while disconnected come back, it would precede the next.
  midi.disconnectSource(input, source);
  ASSERT_TRUE(midi.send(output, destination, 0x20903C41));
  ASSERT_TRUE(midi.connectSource(input, source, 8));
  ASSERT_TRUE(midi.send(output, destination, 0x20903C42));
  ASSERT_TRUE(loop.runUntil([&] { return received(8, {0x20903C42}); }));
  EXPECT_EQ(deliveries(), 2u);
  EXPECT_FALSE(midi.send(output, destination, 0x40903C40));  // a MIDI 2.0 word
  EXPECT_FALSE(midi.send(output, 999999, 0x20903C40));       // nowhere
}

TEST_F(AlsaSystem, UnconnectedSendersAreIgnoredAndEachConnectedSourceKeepsItsOwnStatusBytes) {
  listen("Orvane test strangers");
  SeqPeer peer("Orvane test stranger");
  const int stranger = peer.readable("stranger out");
  const int one = peer.readable("one out");
  const int two = peer.readable("two out");
  const auto ours = peer.find("Orvane test strangers", "in");
  ASSERT_TRUE(ours);
  ASSERT_TRUE(midi.connectSource(input, named(midi.sources(), "one out").value().ref, 1));
  ASSERT_TRUE(midi.connectSource(input, named(midi.sources(), "two out").value().ref, 2));
  ASSERT_TRUE(peer.play(stranger, {0x90, 1, 1}, *ours));
  // The same status from two sources in a row: the second must not lean on the first's running status.
  ASSERT_TRUE(peer.play(one, {0x90, 2, 2}));
  ASSERT_TRUE(peer.play(two, {0x90, 3, 3}));
  ASSERT_TRUE(loop.runUntil([&] { return received(2, {0x20900303}); }));
  EXPECT_TRUE(received(1, {0x20900202}));
  EXPECT_EQ(deliveries(), 2u);  // the stranger's, queued first, never came
}

// While the main loop is busy, a burst overflows the kernel's queue for our client: the input port hears that
// messages were lost (the kernel does not say how many), and what comes afterwards arrives.
TEST_F(AlsaSystem, InputThatOverflowsTheSequencersQueueIsToldAsLostAndLaterInputArrives) {
  std::vector<std::uint64_t> lost;
  client = midi.createClient("Orvane test overflow", [] {});
  input = midi.createInputPort(
      client, "in",
      [this](std::uint32_t token, std::span<const std::uint32_t> words) {
        got.emplace_back(token, Words(words.begin(), words.end()));
      },
      [&](std::uint64_t count) { lost.push_back(count); });
  SeqPeer device("Orvane test burst");
  const int port = device.readable("burst out");
  ASSERT_TRUE(midi.connectSource(input, named(midi.sources(), "burst out").value().ref, 3));
  for (int i = 0; i < 3000; ++i)  // the kernel queues 2000 at most
    device.play(port, {0xB0, 1, static_cast<std::uint8_t>(i & 0x7F)});
  ASSERT_TRUE(loop.runUntil([&] { return !lost.empty(); }));
  EXPECT_EQ(lost, (std::vector<std::uint64_t>{0}));
  ASSERT_TRUE(device.play(port, {0x90, 0x3C, 0x40}));
  EXPECT_TRUE(loop.runUntil([&] { return received(3, {0x20903C40}); }));
}

TEST_F(AlsaSystem, ADevicePluggedInAgainKeepsItsReferenceAndItsConnectionUnderANewClientNumber) {
  listen("Orvane test replug");
  auto device = std::make_unique<SeqPeer>("Orvane test device");
  int port = device->readable("device out");
  const int first = device->number();
  const MidiRef ref = named(midi.sources(), "device out").value().ref;
  ASSERT_TRUE(midi.connectSource(input, ref, 5));
  device.reset();
  SeqPeer squatter("Orvane test squatter");  // takes the old number, as another client would
  device = std::make_unique<SeqPeer>("Orvane test device");
  port = device->readable("device out");
  EXPECT_NE(device->number(), first);
  EXPECT_EQ(named(midi.sources(), "device out").value().ref, ref);
  // Nobody connects again: the system follows the device by itself once it has heard of it.
  EXPECT_TRUE(loop.runUntil([&] { return device->play(port, {0x90, 60, 2}) && received(5, {0x20903C02}); }));
}

TEST_F(AlsaSystem, SendsFollowADestinationPluggedInAgainAndNeverReachAnotherClientAtItsOldAddress) {
  listen("Orvane test sender");
  auto device = std::make_unique<SeqPeer>("Orvane test synth");
  int port = device->writable("synth in");
  const MidiRef ref = named(midi.destinations(), "synth in").value().ref;
  ASSERT_TRUE(midi.send(output, ref, 0x20903C01));
  ASSERT_TRUE(loop.runUntil([&] { return device->heard(port).size() == 1; }));

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
  struct Finally {
    std::function<void()> run;
    ~Finally() { run(); }
  } unblock{[&] {
    armed = false;
    if (released.wait_for(std::chrono::seconds(0)) != std::future_status::ready) release.set_value();
    midi.disposeClient(blocker);
  }};
  SeqPeer nudge("Orvane test nudge");
  nudge.readable("nudge out");
  ASSERT_EQ(entered.get_future().wait_for(std::chrono::seconds(5)), std::future_status::ready);

  const int first = device->number();
  device.reset();
  SeqPeer squatter("Orvane test squatter");
  const int squatterPort = squatter.writable("synth in");
  ASSERT_EQ(squatter.number(), first);  // the very address the synth had
  ASSERT_EQ(squatterPort, port);
  EXPECT_FALSE(midi.send(output, ref, 0x20903C02));
  release.set_value();

  device = std::make_unique<SeqPeer>("Orvane test synth");
  port = device->writable("synth in");
  EXPECT_TRUE(midi.send(output, ref, 0x20903C03));
  ASSERT_TRUE(loop.runUntil([&] { return device->heard(port).size() == 1; }));
  EXPECT_EQ(device->heard(port)[0].bytes, (SeqPeer::Bytes{0x90, 0x3C, 0x03}));
  EXPECT_TRUE(squatter.heard(squatterPort).empty());
}

TEST_F(AlsaSystem, AClientDisposedFromItsOwnReceiveStopsAtOnceAndItsPortsGo) {
  SeqPeer device("Orvane test disposer");
  const int port = device.readable("disposer out");
  client = midi.createClient("Orvane test disposed", [] {});
  input = midi.createInputPort(client, "in", [this](std::uint32_t, std::span<const std::uint32_t>) {
    ++calls;
    midi.disposeClient(client);
  });
  ASSERT_TRUE(midi.connectSource(input, named(midi.sources(), "disposer out").value().ref, 1));
  ASSERT_TRUE(device.play(port, {0x90, 1, 1}));
  ASSERT_TRUE(loop.runUntil([&] { return calls > 0 && !device.find("Orvane test disposed", "in"); }));
  EXPECT_EQ(calls, 1);
  EXPECT_FALSE(midi.connectSource(input, named(midi.sources(), "disposer out").value().ref, 1));
}

}  // namespace
