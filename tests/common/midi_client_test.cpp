// An engine's MIDI client against the in-memory MIDI system: which sources it opens, that a setup change
// touches only the sources that came or went, that every message is named after its source, and its life.
#include "common/midi_client.h"

#include <gtest/gtest.h>

#include "support/fake_midi_system.h"
#include "support/virtual_loop.h"

namespace {

using Got = std::pair<std::string, std::vector<std::uint32_t>>;

struct MidiClientTest : testing::Test {
  std::shared_ptr<MidiClient> make(SourcePick pick) {
    auto made = std::make_shared<MidiClient>(system, loop, MidiClientNames{"Client", "in", "out"}, pick);
    made->onWords = [this](const std::string& source, std::span<const std::uint32_t> words) {
      got.emplace_back(source, std::vector<std::uint32_t>(words.begin(), words.end()));
    };
    made->start();
    return made;
  }
  VirtualLoop loop;
  FakeMidiSystem system{loop};
  std::vector<Got> got;
};

TEST_F(MidiClientTest, ASetupChangeOpensOnlyNewSourcesClosesOnlyGoneOnesAndKeepsEveryNameUntilItsSourceGoes) {
  const auto midi = make(SourcePick::online);
  const auto a = system.addSource("A");
  system.setOffline(system.addSource("Off"), true);
  const auto b = system.addSource("B");
  EXPECT_EQ(midi->sync(), 2);
  system.send3(b, 0xB0, 1, 2);  // on its way to the loop while the setup changes under it
  system.remove(a);
  const auto c = system.addSource("C");
  system.unconnectable = {system.addSource("D")};
  EXPECT_EQ(midi->sync(), 2);
  EXPECT_EQ(midi->names(), (std::vector<std::string>{"B", "C"}));
  EXPECT_EQ(std::pair(system.connects, system.disconnects), std::pair(3, 1));  // C came, A went; B untouched
  system.send3(b, 0x90, 60, 100);
  system.send3(c, 0x90, 61, 100);
  loop.runDue();
  EXPECT_EQ(got, (std::vector<Got>{{"B", {0x20B00102}}, {"B", {0x20903C64}}, {"C", {0x20903D64}}}));
  // What a closed source sent before it went carries no name at all.
  got.clear();
  system.deliverLate(a, {0x20903C64});
  loop.runDue();
  EXPECT_EQ(got, (std::vector<Got>{{"", {0x20903C64}}}));
  midi->closeAll();
  EXPECT_FALSE(system.connected(b) || system.connected(c));
}

// A source that cannot be connected leaves its name to the next source of that name.
TEST_F(MidiClientTest, OnePerNameOpensNamedSourcesTheFirstOfEachNameThatConnects) {
  const auto midi = make(SourcePick::onePerName);
  system.addSource("");
  system.unconnectable = {system.addSource("Twin")};
  const auto second = system.addSource("Twin");
  const auto third = system.addSource("Twin");
  EXPECT_EQ(midi->sync(), 1);
  EXPECT_EQ(std::pair(system.connected(second), system.connected(third)), std::pair(true, false));
}

TEST_F(MidiClientTest, ItHandsOverOnTheLoopOnlyWhileItLivesAndMakesOneClientUntilDisposed) {
  auto midi = make(SourcePick::online);
  int setups = 0;
  midi->onSetup = [&] { ++setups; };
  midi->start();
  EXPECT_EQ(system.clients(), 1);
  const auto a = system.addSource("A");
  midi->sync();
  system.send3(a, 0x90, 60, 100);
  EXPECT_TRUE(got.empty());
  loop.runDue();
  EXPECT_EQ(std::pair(got.size(), setups), std::pair(std::size_t{1}, 1));
  midi->dispose();
  EXPECT_EQ(std::pair(system.clients(), system.connected(a)), std::pair(0, false));
  midi->start();  // a new client after dispose
  midi->sync();
  system.send3(a, 0x90, 60, 100);
  system.addSource("Newer");
  midi.reset();  // after the MIDI layer handed over, before the loop ran
  loop.runDue();
  EXPECT_EQ(std::tuple(got.size(), setups, system.clients()), std::tuple(std::size_t{1}, 1, 0));
}

TEST_F(MidiClientTest, ItSendsToOneDestinationAndPreparesItsWay) {
  const auto out = system.addDestination("Out");
  const auto midi =
      std::make_shared<MidiClient>(system, loop, MidiClientNames{"C", "in", "out"}, SourcePick::online);
  EXPECT_FALSE(midi->send(out, 0x90, 1, 2));  // no output port before start
  midi->start();
  midi->prepare(out);
  EXPECT_TRUE(midi->send(out, 0x9A, 0x3C, 0xFF));
  const std::vector<std::uint8_t> sysex = {0xF0, 0x01, 0xF7};
  EXPECT_TRUE(midi->sendSysex(out, sysex));
  EXPECT_EQ(std::tuple(system.prepared, system.sentTo(out), system.sysex),
            std::tuple(std::set<MidiRef>{out}, std::vector<FakeMidiSystem::Sent>{{0, out, 0x9A, 0x3C, 0x7F}},
                       std::vector<FakeMidiSystem::SentSysex>{{out, sysex}}));
}

}  // namespace
