// The MK module's MIDI client against the in-memory MIDI system: connections and port names,
// hand-over to the main loop, the client's life cycle and what it sends.
#include "mackie/engine/midi.h"

#include <gtest/gtest.h>

#include "support/fake_midi_system.h"
#include "support/virtual_loop.h"

using Got = std::pair<std::string, MKMCU::MKRaw>;
static constexpr MKMCU::MKRaw NOTE{0x90, 60, 100, false};

struct MKMidiTest : testing::Test {
  MKMidiTest() {
    midi->onMessage = [this](const std::string& port, const MKMCU::MKRaw& raw) {
      got.emplace_back(port, raw);
    };
  }
  VirtualLoop loop;
  FakeMidiSystem system{loop};
  std::shared_ptr<MKMidi> midi = std::make_shared<MKMidi>(system, loop);
  std::vector<Got> got;
};

// Messages reach the engine on the main loop, named from the MIDI thread's own copy of the list as it was
// when connected.
TEST_F(MKMidiTest, EachSourceIsHeardUnderItsOwnNameOnTheMainLoopAndOpenAllStartsFromACleanSlate) {
  const auto a = system.addSource("A");
  system.setOffline(system.addSource("Off"), true);
  const auto b = system.addSource("B");
  const auto c = system.addSource("C");
  midi->start();
  EXPECT_EQ(midi->openAll(), 3);
  EXPECT_EQ(midi->refs, (std::vector<MidiRef>{a, b, c}));
  midi->names = {"Edited"};  // the main thread's list is not what the MIDI thread reads
  system.send3(c, 0xB0, 1, 2);
  system.deliver(a, {0x30030102, 0x03000000, 0x20903C64});  // a two-word SysEx packet, then a note
  system.deliver(a, {0x40903C00});                          // a MIDI 2.0 packet: nothing the engine reads
  EXPECT_TRUE(got.empty());
  loop.runDue();
  EXPECT_EQ(got, (std::vector<Got>{{"C", {0xB0, 1, 2, false}}, {"A", {0xF0, 0, 0, true}}, {"A", NOTE}}));
  // Gone and offline sources are let go; a source that cannot be connected is not counted among those heard.
  got.clear();
  system.remove(b);
  system.setOffline(a, true);
  system.unconnectable = {system.addSource("D")};
  EXPECT_EQ(midi->openAll(), 1);
  EXPECT_EQ(midi->names, (std::vector<std::string>{"C"}));
  EXPECT_FALSE(system.connected(a));
  system.send3(c, 0x90, 60, 100);
  loop.runDue();
  EXPECT_EQ(got, (std::vector<Got>{{"C", NOTE}}));
}

TEST_F(MKMidiTest, StartMakesOneClientAndMessagesAndSetupChangesReachTheMainLoopOnlyWhileItLives) {
  int setups = 0;
  midi->onSetup = [&] { ++setups; };
  midi->start();
  const auto first = midi->client;
  midi->start();
  EXPECT_EQ(midi->client, first);
  midi->stop();
  EXPECT_EQ(system.clients(), 0);
  midi->start();  // a new client after a stop
  EXPECT_EQ(system.clients(), 1);
  const auto a = system.addSource("A");
  loop.runDue();
  EXPECT_EQ(setups, 1);
  midi->openAll();
  system.send3(a, 0x90, 60, 100);
  system.addSource("Newer");
  midi.reset();  // after the MIDI thread handed over, before the main loop ran
  loop.runDue();
  EXPECT_EQ(std::tuple(got.size(), setups, system.clients(), system.connected(a)),
            std::tuple(0u, 1, 0, false));
}

TEST_F(MKMidiTest, SendPutsOneMessageOnTheWayAndReportsRefusals) {
  const auto out = system.addDestination("Out");
  EXPECT_FALSE(midi->send(out, 0x90, 1, 2));  // no output port before start
  midi->start();
  EXPECT_TRUE(midi->send(out, 0x9A, 0x3C, 0x7F));
  EXPECT_EQ(system.sentTo(out), (std::vector<FakeMidiSystem::Sent>{{0, out, 0x9A, 0x3C, 0x7F}}));
  system.refuseSends(true);
  EXPECT_FALSE(midi->send(out, 0x90, 1, 2));
}
