// The shell over modules that record what it asks: the settings file, the switches, the menu's shape, Live
// coming and going, quitting, and the hot keys while Live is in front. Timing on the virtual loop.
#include "app/umbrella.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/fake_hot_keys.h"
#include "support/fake_module.h"
#include "support/fake_workspace.h"
#include "support/temp_folder.h"
#include "support/virtual_loop.h"

namespace {

const RunningApp LIVE{7, "Ableton Live 12 Suite", ""};
const RunningApp EDITOR{8, "gedit", ""};

class UmbrellaTest : public testing::Test {
 protected:
  // Modules "mackie" (on by default) and "other" (off by default), recorded in `a` and `b`.
  std::shared_ptr<Umbrella> make() {
    std::vector<std::unique_ptr<LiveModule>> modules;
    auto first = std::make_unique<FakeModule>("mackie");
    auto second = std::make_unique<FakeModule>("other", false);
    a = first.get();
    b = second.get();
    modules.push_back(std::move(first));
    modules.push_back(std::move(second));
    return std::make_shared<Umbrella>(ShellServices{loop, workspace, hotKeys, home.path()},
                                      std::move(modules));
  }
  std::shared_ptr<Umbrella> started() {
    auto u = make();
    u->start();
    return u;
  }
  std::vector<std::string> titles(Umbrella& u) {
    std::vector<std::string> out;
    for (const auto& line : u.menu())
      out.push_back(line.separator ? "--" : line.title);
    return out;
  }
  void desktop(AppEvent event, const RunningApp& app) {
    workspace.changed(event, app);
    loop.runDue();
  }

  VirtualLoop loop;
  FakeWorkspace workspace;
  FakeHotKeys hotKeys;
  TempFolder home;
  FakeModule* a = nullptr;
  FakeModule* b = nullptr;
};

TEST_F(UmbrellaTest, AFirstStartTakesEachModulesDefaultAndSwitchingWritesEveryModuleSortedKeepingOtherKeys) {
  auto u = started();
  EXPECT_EQ(a->calls, std::vector<std::string>{"on"});
  EXPECT_TRUE(b->calls.empty());
  EXPECT_EQ(u->tab, "mackie");
  EXPECT_FALSE(std::filesystem::exists(Umbrella::SETTINGS(home.path())));
  u->setTab("other");
  u->stop();  // every module goes off, also one that was off
  EXPECT_EQ(a->calls, (std::vector<std::string>{"on", "off"}));
  EXPECT_EQ(b->calls, std::vector<std::string>{"off"});
  u.reset();
  EXPECT_EQ(started()->tab, "other");  // the tab chosen before quitting comes back

  home.write(".config/vuda-verer.json", R"({"theme": "dark", "modules": {"mackie": false}, "tab": 3})");
  u = started();
  EXPECT_TRUE(a->calls.empty());  // stored off: never started
  EXPECT_EQ(u->tab, "mackie");    // a tab that is not text
  u->setModule("other", true);
  EXPECT_EQ(b->calls, std::vector<std::string>{"on"});
  EXPECT_EQ(
      home.read(".config/vuda-verer.json"),
      "{\n  \"modules\": {\n    \"mackie\": false,\n    \"other\": true\n  },\n  \"tab\": 3,\n  \"theme\": "
      "\"dark\"\n}\n");
  // Anything but an object of booleans leaves every module at its default.
  home.write(".config/vuda-verer.json", R"({"modules": {"mackie": false, "other": "yes"}})");
  EXPECT_EQ(started()->on, (std::map<std::string, bool>{{"mackie", true}, {"other", false}}));
}

TEST_F(UmbrellaTest, TheMenuHoldsTheModulesThatAreOnThenSettings) {
  auto u = started();
  EXPECT_EQ(titles(*u),
            (std::vector<std::string>{"TITLE mackie  ·  STATE", "  line of mackie", "--", "Settings…"}));
  int shown = 0;
  u->showSettings = [&] { ++shown; };
  u->menu().back().action();
  EXPECT_EQ(shown, 1);
  u->setModule("mackie", false);
  EXPECT_EQ(titles(*u), std::vector<std::string>{"Settings…"});
}

TEST_F(UmbrellaTest, LiveIsToldFiveSecondsAfterItsLaunchAndAtOnceWhenItQuitsOnlyWhileAModuleIsOn) {
  auto u = started();
  int published = 0;
  u->subscribe([&] { ++published; });
  desktop(AppEvent::launched, EDITOR);
  desktop(AppEvent::launched, LIVE);
  EXPECT_EQ(published, 1);
  loop.advance(4.99);
  EXPECT_EQ(a->calls, std::vector<std::string>{"on"});
  loop.advance(0.01);
  EXPECT_EQ(a->calls, (std::vector<std::string>{"on", "came"}));
  desktop(AppEvent::terminated, LIVE);
  EXPECT_EQ(a->calls.back(), "left");
  EXPECT_TRUE(b->calls.empty());
  EXPECT_EQ(published, 2);
}

TEST_F(UmbrellaTest, HotKeysAreRegisteredOnlyWhileLiveIsInFrontEachTimeUnderNewNumbers) {
  int fired = 0;
  auto u = make();
  a->wishes = {{Chord{0x100, 0, 1}, [&] { ++fired; }}, {Chord{0x100, 0, 99}, [] {}}};
  hotKeys.refusedKeys = {99};  // another program holds it: skipped, the first still registers
  workspace.front = LIVE;
  u->start();
  ASSERT_EQ(hotKeys.registered.size(), 1u);
  EXPECT_EQ(hotKeys.registered.begin()->second.number, 1u);

  workspace.front = EDITOR;
  desktop(AppEvent::activated, EDITOR);
  EXPECT_TRUE(hotKeys.registered.empty());
  workspace.front = LIVE;
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

}  // namespace
