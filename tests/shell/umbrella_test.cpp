// The shell over modules that record what it asks (the settings file, the switches, the menu, Live coming and
// going, the hot keys while Live is in front), then over both real modules. Timing on the virtual loop.
#include "shell/umbrella.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <semaphore>
#include <thread>

#include "support/fake_module.h"
#include "support/test_shell.h"

namespace {

const RunningApp LIVE{7, "Ableton Live 12 Suite", ""}, EDITOR{8, "gedit", ""};
using Lines = std::vector<std::string>;

// While `hold` is set, a thread handing the loop work from elsewhere (the system's, reporting the desktop or
// a hot key) is held inside that hand-over until the test lets it go or a while has passed.
class HoldingLoop : public VirtualLoop {
 public:
  void post(std::function<void()> fn) override {
    if (hold) {
      holding = true;
      holding.notify_all();
      (void)letGo.try_acquire_for(std::chrono::milliseconds(300));
      holding = false;
    }
    VirtualLoop::post(std::move(fn));
  }
  std::atomic<bool> hold = false, holding = false;
  std::binary_semaphore letGo{0};
};

class UmbrellaTest : public testing::Test {
 protected:
  // Modules "mackie" (on by default) and "other" (off by default), recorded in `a` and `b`.
  std::shared_ptr<Umbrella> make(bool start = true) {
    std::vector<std::unique_ptr<LiveModule>> modules;
    modules.push_back(std::make_unique<FakeModule>("mackie"));
    modules.push_back(std::make_unique<FakeModule>("other", false));
    a = static_cast<FakeModule*>(modules[0].get());
    b = static_cast<FakeModule*>(modules[1].get());
    auto u =
        std::make_shared<Umbrella>(ShellServices{loop, workspace, hotKeys, home.path()}, std::move(modules));
    if (start) u->start();
    return u;
  }
  void desktop(AppEvent event, const RunningApp& app) {
    if (event == AppEvent::activated) workspace.front = app;
    workspace.report(event, app);
    loop.runDue();
  }

  HoldingLoop loop;
  FakeWorkspace workspace;
  FakeHotKeys hotKeys;
  TempFolder home;
  FakeModule *a = nullptr, *b = nullptr;
};

TEST_F(UmbrellaTest, SettingsFileSwitchesTheMenuOfTheModulesThatAreOnAndLiveComingAndGoing) {
  auto u = make();  // "on", to the module on by default
  EXPECT_EQ(u->tab, "mackie");
  u->setTab("other");
  u->stop();  // every module goes off, also one that was off
  EXPECT_EQ(a->calls, (Lines{"on", "off"}));
  EXPECT_EQ(b->calls, Lines{"off"});
  u.reset();
  EXPECT_EQ(make()->tab, "other");  // the tab chosen before quitting comes back

  home.write(".config/vuda-verer.json", R"({"theme": "dark", "modules": {"mackie": false}, "tab": 3})");
  u = make();  // "mackie" stored off: never started
  u->setModule("other", true);
  EXPECT_EQ(
      nlohmann::json::parse(home.read(".config/vuda-verer.json")),
      nlohmann::json::parse(R"({"modules": {"mackie": false, "other": true}, "tab": 3, "theme": "dark"})"));
  Lines menu;
  for (const auto& line : u->menu())
    menu.push_back(TestShell::shown(line.separator, line.title, true, {}));
  EXPECT_EQ(menu, (Lines{"TITLE other  ·  STATE", "  line of other", "---", "Settings…"}));
  int shown = 0;
  u->showSettings = [&] { ++shown; };
  u->menu().back().action();
  EXPECT_EQ(shown, 1);

  // Live is told five seconds after its launch and at once when it quits, by the modules that are on.
  int published = 0;
  u->subscribe([&] { ++published; });
  desktop(AppEvent::launched, EDITOR);
  desktop(AppEvent::launched, LIVE);
  EXPECT_EQ(published, 1);
  loop.advance(4.99);
  EXPECT_EQ(b->calls, Lines{"on"});
  loop.advance(0.01);
  EXPECT_EQ(b->calls, (Lines{"on", "came"}));
  desktop(AppEvent::terminated, LIVE);
  EXPECT_EQ(std::tuple(b->calls, a->calls.size(), published), std::tuple(Lines{"on", "came", "left"}, 0u, 2));
}

TEST_F(UmbrellaTest, HotKeysAreRegisteredOnlyWhileLiveIsInFrontEachTimeUnderNewNumbers) {
  int fired = 0;
  auto u = make(false);
  a->wishes = {{1, 0x100, [&] { ++fired; }}, {99, 0x100, [] {}}};
  hotKeys.refusedKeys = {99};  // another program holds it: skipped, the first still registers
  workspace.front = LIVE;
  u->start();
  ASSERT_EQ(hotKeys.registered.size(), 1u);
  EXPECT_EQ(hotKeys.registered.begin()->second.number, 1u);
  desktop(AppEvent::activated, EDITOR);
  EXPECT_TRUE(hotKeys.registered.empty());
  desktop(AppEvent::activated, LIVE);
  ASSERT_EQ(hotKeys.registered.size(), 1u);
  EXPECT_EQ(hotKeys.registered.begin()->second.number, 3u);
  hotKeys.press(1);  // a number from before: nothing
  hotKeys.press(3);
  EXPECT_EQ(fired, 0);  // the action runs on the main loop
  loop.runDue();
  EXPECT_EQ(fired, 1);
  u->setModule("mackie", false);  // its chords go at once, though Live stays in front
  EXPECT_TRUE(hotKeys.registered.empty());
}

// The system's threads report while the shell ends: the shell's end waits for a report under way, so that
// nothing it reaches goes from under it.
using UmbrellaEnd = UmbrellaTest;

TEST_F(UmbrellaEnd, WaitsForADesktopReportOrAHotKeyPressUnderWayOnTheSystemsThread) {
  for (const bool press : {false, true}) {
    auto u = make(false);
    a->wishes = {{1, 0x100, [] {}}};
    workspace.front = LIVE;  // so its chord is registered as number 1
    u->start();
    loop.hold = true;
    std::thread system([&] {
      if (press)
        hotKeys.press(1);
      else
        workspace.report(AppEvent::activated, EDITOR);
    });
    loop.holding.wait(false);
    u.reset();
    const bool endedMidReport = loop.holding;
    loop.hold = false;
    if (endedMidReport) loop.letGo.release();  // else the hand-over is over: nothing waits to be let go
    system.join();
    EXPECT_FALSE(endedMidReport) << (press ? "a hot key's press" : "a report of the desktop");
  }
}

class ModulesTest : public testing::Test, protected TestShell {};

TEST_F(ModulesTest, EachModuleSaysItsStateAndWhatItDoesAndItsLinesSwitchIt) {
  midi.addSource("Port 1");
  midi.addDestination("IAC Driver Bus 1");
  home.write(".config/midi-to-keystroke.json", R"({"device": "Port 1", "rows": [{"id": 1, "cc": 7}]})");
  start();
  EXPECT_EQ(menu(), (Lines{"MIDI TO MK CONTROL  ·  NO DEVICE (off)", "  Stop sending Mackie",
                           "  No device locked (off)", "  Sending to IAC Driver Bus 1 (off)",
                           "[x]   The command blob at the top of Live", "  0 rows in the table (off)", "---",
                           "MIDI TO KEY STROKE  ·  LISTENING (off)", "  Stop sending keys",
                           "  Locked to USB1 (off)", "  1 row in the table (off)", "---", "Settings…"}));
  for (const char* line :
       {"  Stop sending Mackie", "  Stop sending keys", "  The command blob at the top of Live"})
    EXPECT_TRUE(choose(line)) << line;
  auto now = menu();
  EXPECT_EQ((Lines{now[1], now[4], now[7], now[8]}),
            (Lines{"  Send Mackie", "[ ]   The command blob at the top of Live",
                   "MIDI TO KEY STROKE  ·  STOPPED (off)", "  Send keys"}));
  // An engine that stopped keeps its header line while its module is on, without its own lines.
  mackie->engine->stop();
  now = menu();
  EXPECT_EQ((Lines{now[0], now[1]}), (Lines{"MIDI TO MK CONTROL  ·  OFF (off)", "---"}));

  MidiKeysModule dry(ksServicesAt(home.path(), loop, midi, audio, keys, capture), true);
  dry.setOn(true);  // a dry module ignores its switch
  EXPECT_FALSE(dry.engine->running());
  dry.engine->start();
  dry.setOn(false);
  EXPECT_TRUE(dry.engine->running());

  // A module that goes stops its engine, which releases what it holds, whoever else keeps the engine.
  const auto engines = std::pair(mackie->engine, midikeys->engine);
  engines.first->start();
  engines.second->start();
  umbrella.reset();
  EXPECT_FALSE(engines.first->running() || engines.second->running());
}

}  // namespace
