// Live's transport state: OSC requests caught on a real loopback socket, logs laid out in a temporary home
// and Wine prefix, timing on the virtual loop, and finding Live on a fake desktop.
#include "mackie/engine/live.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "support/fake_workspace.h"
#include "support/loopback_receiver.h"
#include "support/temp_folder.h"
#include "support/virtual_loop.h"

namespace fs = std::filesystem;

namespace {

const std::string PLAYING = "info: RemoteScriptMessage: Property is_playing changed of song []: (";
const std::string GOT = "info: RemoteScriptMessage: Getting property for song: is_playing = ";
const std::string START_PACKET("/live/song/start_listen/is_playing\0\0,\0\0\0", 40);
const std::string GET_PACKET("/live/song/get/is_playing\0\0\0,\0\0\0", 32);

using OscEndpoint = LoopbackReceiver;  // standing in for the OSC endpoint inside Live

class MKLiveTest : public testing::Test {
 protected:
  fs::path homeLog(const std::string& version) const {
    return root / "home/Library/Preferences/Ableton" / ("Live " + version) / "Log.txt";
  }
  fs::path wineLog(const std::string& user, const std::string& version) const {
    return root / "wine/drive_c/users" / user / "AppData/Roaming/Ableton" / ("Live " + version) /
           "Preferences/Log.txt";
  }
  // Writes (or replaces) a log whose modification time lies `age` minutes in the past.
  static void write(const fs::path& path, const std::string& text, int age = 0) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
    fs::last_write_time(path, fs::file_time_type::clock::now() - std::chrono::minutes(age));
  }
  static void append(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary | std::ios::app) << text;
  }
  // `lines` filler lines of 100 bytes, with the given lines replaced by transport lines of the same length.
  static std::string bigLog(std::size_t lines, std::vector<std::pair<std::size_t, std::string>> marks) {
    std::string text;
    for (std::size_t i = 0; i < lines; ++i) {
      std::string line = GOT + "Filler";
      for (const auto& [at, word] : marks)
        if (at == i) line = GOT + word;
      line.resize(99, ' ');
      text += line + "\n";
    }
    return text;
  }

  TempFolder tmp;
  fs::path root = tmp.path();
  VirtualLoop loop;
  OscEndpoint osc;
  std::shared_ptr<MKLive> live = std::make_shared<MKLive>(
      loop, LiveFolders{(root / "home").string(), (root / "wine").string()}, osc.port);
};

}  // namespace

// The requests' exact bytes are checked where they arrive, when Live is asked.
TEST(OscPacket, PadsAddressAndTypeTagToTheNextMultipleOfFourAbove) {
  EXPECT_EQ(oscPacket("/abc"), std::string("/abc\0\0\0\0,\0\0\0", 12));
}

TEST_F(MKLiveTest, TheLastTransportLineOfTheLogDecides) {
  const std::pair<std::string, std::optional<bool>> cases[] = {
      {PLAYING + "True)\n" + GOT + "False\n", false},
      {GOT + "True\r\n\n\nunrelated\n", true},
      {PLAYING + "Maybe)\n" + GOT + "true\n", std::nullopt},
      {GOT + "False\n" + PLAYING + "None)\n", false},
      {PLAYING + "Nope) " + PLAYING + "True)\n", std::nullopt},  // only the first occurrence counts
      {"\xff\xfe " + GOT + "True", true},                        // bad bytes, no final line feed
  };
  for (const auto& [text, expected] : cases) {
    live->stop();
    write(homeLog("12.0"), text);
    loop.advance(1);
    EXPECT_EQ(live->saysNow(), expected) << text;
    EXPECT_EQ(live->at, expected ? loop.now() : DISTANT_PAST);
  }
}

TEST_F(MKLiveTest, LaterScansReadAllThatWasAppendedButALogReadTheFirstTimeOnlyItsTail) {
  write(homeLog("12.0"), GOT + "True\n");
  EXPECT_EQ(live->saysNow(), true);
  live->playing.reset();  // a line read twice would bring it back
  EXPECT_EQ(live->saysNow(), std::nullopt);
  append(homeLog("12.0"), GOT + "False\n");
  EXPECT_EQ(live->saysNow(), false);
  EXPECT_EQ(live->pos, fs::file_size(homeLog("12.0")));

  // 10000 lines of 100 bytes: a first scan starts at line 6000.
  live->stop();
  write(homeLog("12.0"), bigLog(10000, {{5999, "True"}}));
  EXPECT_EQ(live->saysNow(), std::nullopt);
  EXPECT_EQ(live->pos, 1'000'000u);
  append(homeLog("12.0"), bigLog(10000, {{10, "True"}}));  // a flood of 1 MB since then is read whole
  EXPECT_EQ(live->saysNow(), true);
  write(homeLog("12.0"), bigLog(10000, {{5999, "True"}, {6000, "False"}}));
  live->stop();
  EXPECT_EQ(live->saysNow(), false);

  const std::pair<std::string, std::optional<bool>> replacements[] = {
      {GOT + "True\n", true},
      {bigLog(5000, {{999, "True"}}), std::nullopt},  // 500000 bytes: read from 100000
      {bigLog(5000, {{1000, "True"}}), true},
  };
  for (const auto& [text, expected] : replacements) {
    live->playing.reset();
    live->pos = 1'000'000;
    write(homeLog("12.0"), text);
    EXPECT_EQ(live->saysNow(), expected);
  }
}

TEST_F(MKLiveTest, TheMostRecentlyWrittenLogWinsAmongLiveVersionsAndWine) {
  struct Case {
    int home11, home12, wine;  // ages in minutes; -1 for no such log
    fs::path expected;
  };
  const Case cases[] = {
      {5, 10, -1, homeLog("11.3")}, {10, 5, -1, homeLog("12.1")},         {10, 5, 1, wineLog("ada", "12.1")},
      {-1, 5, 10, homeLog("12.1")}, {-1, -1, 10, wineLog("ada", "12.1")},
  };
  for (const auto& c : cases) {
    fs::remove_all(root / "home");
    fs::remove_all(root / "wine");
    write(root / "home/Library/Preferences/Ableton/Max 9/Log.txt", "", 0);  // not Live's
    if (c.home11 >= 0) write(homeLog("11.3"), "", c.home11);
    if (c.home12 >= 0) write(homeLog("12.1"), "", c.home12);
    if (c.wine >= 0) write(wineLog("ada", "12.1"), "", c.wine);
    live->stop();
    EXPECT_EQ(live->logPath(), c.expected.string());
  }
  auto noWine = std::make_shared<MKLive>(loop, LiveFolders{(root / "home").string(), std::nullopt}, osc.port);
  EXPECT_EQ(noWine->logPath(), std::nullopt);
}

TEST_F(MKLiveTest, AnExpectedStateHoldsForFifteenSecondsThenLiveIsAskedAgain) {
  ASSERT_NE(osc.port, 0);
  live->expect(true);
  loop.advance(MKLive::STALE);
  EXPECT_EQ(live->isPlaying(), true);
  EXPECT_TRUE(osc.drain().empty());
  loop.advance(0.1);
  EXPECT_EQ(live->isPlaying(), std::nullopt);
  EXPECT_EQ(osc.drain(), (std::vector<std::string>{START_PACKET, GET_PACKET}));
}

TEST_F(MKLiveTest, StartAsksScansAfterAMomentAndPollsEveryBeatUntilStopped) {
  write(homeLog("12.0"), GOT + "True\n");
  live->start();
  live->stop();  // before the first scan: it must not run either
  loop.advance(20);
  EXPECT_EQ(live->playing, std::nullopt);
  EXPECT_EQ(live->log, std::nullopt);
  osc.drain();

  live->start();
  EXPECT_EQ(osc.drain(), (std::vector<std::string>{START_PACKET, GET_PACKET}));
  loop.advance(0.29);
  EXPECT_EQ(live->playing, std::nullopt);
  loop.advance(0.02);
  EXPECT_EQ(live->playing, true);
  append(homeLog("12.0"), GOT + "False\n");
  loop.advance(4.6);
  EXPECT_EQ(live->playing, true);
  loop.advance(0.1);
  EXPECT_EQ(live->playing, false);
  EXPECT_EQ(osc.drain(), (std::vector<std::string>{GET_PACKET}));

  live->stop();  // forgets everything
  EXPECT_EQ(live->timer, nullptr);
  EXPECT_EQ(live->playing, std::nullopt);
  EXPECT_EQ(live->at, DISTANT_PAST);
  EXPECT_EQ(live->pos, 0u);
  EXPECT_EQ(live->log, std::nullopt);
  loop.advance(20);
  EXPECT_TRUE(osc.drain().empty());
}

TEST(LiveScreen, IsTheScreenUnderTheCentreOfLivesLargestWindow) {
  const Screen primary{{0, 0, 1440, 900}, {0, 0, 1440, 875}};
  const Screen right{{1440, 0, 1920, 1080}, {1440, 0, 1920, 1055}};
  const Screen above{{0, 900, 1440, 900}, {0, 900, 1440, 880}};
  const RunningApp live{7, "Ableton Live 12 Suite", ""};
  const WindowInfo small{7, 0, {10, 10, 300, 200}};
  struct Case {
    const char* name;
    std::vector<RunningApp> apps;
    std::vector<WindowInfo> windows;
    std::vector<Screen> screens;
    std::optional<std::size_t> main;
    geometry::Rect expected;
  };
  const Case cases[] = {
      // clang-format off
      {"largest on the right", {live}, {small, {7, 0, {1600, 100, 1000, 700}}}, {primary, right}, 0, right.visibleFrame},
      {"above, y flipped", {live}, {small, {7, 0, {0, -700, 1000, 400}}}, {primary, above}, 0, above.visibleFrame},
      {"other layers and apps", {live, {8, "Other", ""}}, {small, {7, 3, {1600, 0, 900, 900}}, {8, 0, {1600, 0, 900, 900}}},
       {primary, right}, 1, primary.visibleFrame},
      {"not running", {}, {small}, {primary, right}, 1, right.visibleFrame},
      {"no window", {live}, {}, {primary, right}, std::nullopt, primary.visibleFrame},
      {"off every screen", {live}, {{7, 0, {-5000, 0, 100, 100}}}, {primary, right}, 1, right.visibleFrame},
      {"no screen", {live}, {small}, {}, std::nullopt, {}},
      // clang-format on
  };
  for (const auto& c : cases) {
    FakeWorkspace desk;
    desk.apps = c.apps;
    desk.shown = c.windows;
    desk.screenList = c.screens;
    desk.mainIndex = c.main;
    EXPECT_EQ(liveScreen(desk), c.expected) << c.name;
  }
}

TEST(LiveFront, RecognisesLiveByProcessNameOrBundleIdentifier) {
  const std::pair<std::optional<RunningApp>, bool> cases[] = {
      {RunningApp{1, "Ableton Live 12 Suite", ""}, true},
      {RunningApp{1, "ABLETON LIVE", ""}, true},
      {RunningApp{1, "Live", "com.ableton.live"}, true},
      {RunningApp{1, "Ableton Push", "com.ableton.push"}, false},
      {std::nullopt, false},
  };
  for (const auto& [front, expected] : cases) {
    FakeWorkspace desk;
    desk.front = front;
    EXPECT_EQ(liveFront(desk), expected) << (front ? front->name : "none");
  }
  FakeWorkspace desk;
  desk.apps = {{1, "Bitwig", ""}, {2, "ableton live", ""}, {3, "Live", "com.ableton.live"}};
  EXPECT_EQ(liveApp(desk), desk.apps[1]);
}
