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

class MKLiveTest : public testing::Test {
 protected:
  fs::path homeLog(const std::string& version) const {
    return root / "home/Library/Preferences/Ableton" / ("Live " + version) / "Log.txt";
  }
  // Writes (or replaces, or with `append` adds to) a log whose modification time lies `age` minutes back.
  static void write(const fs::path& path, const std::string& text, int age = 0, bool append = false) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary | (append ? std::ios::app : std::ios::trunc)) << text;
    fs::last_write_time(path, fs::file_time_type::clock::now() - std::chrono::minutes(age));
  }
  // `lines` filler lines of 100 bytes, the one at `at` saying "True".
  static std::string bigLog(std::size_t lines, std::size_t at) {
    std::string text;
    for (std::size_t i = 0; i < lines; ++i) {
      std::string line = GOT + (i == at ? "True" : "Filler");
      line.resize(99, ' ');
      text += line + "\n";
    }
    return text;
  }

  TempFolder tmp;
  fs::path root = tmp.path();
  VirtualLoop loop;
  LoopbackReceiver osc;  // standing in for the OSC endpoint inside Live
  std::shared_ptr<MKLive> live = std::make_shared<MKLive>(
      loop, LiveFolders{(root / "home").string(), (root / "wine").string()}, osc.port);
};

}  // namespace

TEST_F(MKLiveTest, TheLastTransportLineOfTheLogDecides) {
  const std::pair<std::string, std::optional<bool>> cases[] = {
      {PLAYING + "True)\n" + GOT + "False\n", false},
      {GOT + "True\r\n\n\nunrelated\n", true},
      {GOT + "False\n" + PLAYING + "Maybe)\n", false},                 // neither word changes nothing
      {"\xff\xfe " + GOT.substr(GOT.find("Getting")) + "True", true},  // bad bytes, no final line feed
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
  write(homeLog("12.0"), GOT + "False\n", 0, true);
  EXPECT_EQ(live->saysNow(), false);

  // 10000 lines of 100 bytes: a first scan starts at line 6000, and a flood of 1 MB since is read whole.
  live->stop();
  write(homeLog("12.0"), bigLog(10000, 5999));
  EXPECT_EQ(live->saysNow(), std::nullopt);
  write(homeLog("12.0"), bigLog(10000, 10), 0, true);
  EXPECT_EQ(live->saysNow(), true);
  live->stop();
  write(homeLog("12.0"), bigLog(10000, 6000));
  EXPECT_EQ(live->saysNow(), true);
  // Replaced by a smaller log (500000 bytes): it is read from its own tail, line 1000 on.
  live->playing.reset();
  live->pos = 1'000'000;
  write(homeLog("12.0"), bigLog(5000, 1000));
  EXPECT_EQ(live->saysNow(), true);
}

TEST_F(MKLiveTest, TheMostRecentlyWrittenLogWinsAmongLiveVersionsAndWine) {
  const auto wine = root / "wine/drive_c/users/ada/AppData/Roaming/Ableton/Live 12.1/Preferences/Log.txt";
  write(root / "home/Library/Preferences/Ableton/Max 9/Log.txt", "", 0);  // not Live's
  write(homeLog("11.3"), "", 5);
  write(homeLog("12.1"), "", 10);
  EXPECT_EQ(live->logPath(), homeLog("11.3").string());
  write(wine, "", 1);
  live->stop();
  EXPECT_EQ(live->logPath(), wine.string());
  write(homeLog("12.1"), "", 0);
  live->stop();
  EXPECT_EQ(live->logPath(), homeLog("12.1").string());
  auto noWine =
      std::make_shared<MKLive>(loop, LiveFolders{(root / "nohome").string(), std::nullopt}, osc.port);
  EXPECT_EQ(noWine->logPath(), std::nullopt);
}

TEST_F(MKLiveTest, AnExpectedStateHoldsForFifteenSecondsThenLiveIsAskedAgain) {
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
  EXPECT_EQ(live->log, std::nullopt);
  osc.drain();

  live->start();
  EXPECT_EQ(osc.drain(), (std::vector<std::string>{START_PACKET, GET_PACKET}));
  loop.advance(0.29);
  EXPECT_EQ(live->playing, std::nullopt);
  loop.advance(0.02);
  EXPECT_EQ(live->playing, true);
  write(homeLog("12.0"), GOT + "False\n", 0, true);
  loop.advance(4.6);
  EXPECT_EQ(live->playing, true);
  loop.advance(0.1);
  EXPECT_EQ(live->playing, false);
  EXPECT_EQ(osc.drain(), (std::vector<std::string>{GET_PACKET}));

  live->stop();  // forgets everything
  EXPECT_EQ(live->playing, std::nullopt);
  EXPECT_EQ(live->at, DISTANT_PAST);
  EXPECT_EQ(live->pos, 0u);
  EXPECT_EQ(live->log, std::nullopt);
  loop.advance(20);
  EXPECT_TRUE(osc.drain().empty());
}

TEST(LiveScreen, IsTheScreenUnderTheCentreOfLivesLargestWindow) {
  const Screen primary{{0, 0, 1440, 900}, {0, 0, 1440, 875}};
  const Screen above{{0, 900, 1440, 900}, {0, 900, 1440, 880}};
  const RunningApp live{7, "Ableton Live 12 Suite", ""};
  const WindowInfo small{7, 0, {10, 10, 300, 200}};
  // clang-format off
  const std::tuple<std::vector<RunningApp>, std::vector<WindowInfo>, std::optional<std::size_t>,
                   geometry::Rect> cases[] = {
      {{live}, {small, {7, 0, {0, -700, 1000, 400}}, {7, 3, {0, 0, 1400, 800}}}, 0, above.visibleFrame},
      {{}, {small}, 1, above.visibleFrame},  // not running: the main screen
      {{live}, {{7, 0, {-5000, 0, 100, 100}}}, std::nullopt, primary.visibleFrame},  // off every screen
  };
  // clang-format on
  for (const auto& [apps, windows, main, expected] : cases) {
    FakeWorkspace desk;
    desk.apps = apps;
    desk.shown = windows;
    desk.screenList = {primary, above};
    desk.mainIndex = main;
    EXPECT_EQ(liveScreen(desk), expected);
  }
}

TEST(LiveFront, RecognisesLiveByProcessNameOrBundleIdentifier) {
  FakeWorkspace desk;
  desk.apps = {
      {1, "Bitwig", "com.ableton.push"}, {2, "ABLETON LIVE 12", ""}, {3, "Live", "com.ableton.live"}};
  EXPECT_EQ(liveApp(desk), desk.apps[1]);
  EXPECT_FALSE(liveFront(desk));
  desk.front = desk.apps[2];
  EXPECT_TRUE(liveFront(desk));
}
