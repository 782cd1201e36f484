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

// The requests' exact bytes are checked where they arrive, when Live is asked.
TEST(OscPacket, PadsAddressAndTypeTagToTheNextMultipleOfFourAbove) {
  EXPECT_EQ(oscPacket("/abc"), std::string("/abc\0\0\0\0,\0\0\0", 12));
}

TEST_F(MKLiveTest, TheLastTransportLineOfTheLogDecides) {
  const std::pair<std::string, std::optional<bool>> cases[] = {
      {PLAYING + "True)\n" + GOT + "False\n", false},
      {GOT + "True\r\n\n\nunrelated\n", true},
      {GOT + "False\n" + PLAYING + "Maybe)\n", false},           // neither word changes nothing
      {PLAYING + "Nope) " + PLAYING + "True)\n", std::nullopt},  // only the first occurrence counts
      {"\xff\xfe " + GOT + "True", true},                        // bad bytes, no final line feed
      {GOT.substr(GOT.find("Getting")) + "True\n", true},        // from the log's first byte
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
  for (const auto& [at, expected] :
       {std::pair<std::size_t, std::optional<bool>>{999, std::nullopt}, {1000, true}}) {
    live->playing.reset();
    live->pos = 1'000'000;
    write(homeLog("12.0"), bigLog(5000, at));
    EXPECT_EQ(live->saysNow(), expected) << at;
  }
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
  const Screen right{{1440, 0, 1920, 1080}, {1440, 0, 1920, 1055}};
  const Screen above{{0, 900, 1440, 900}, {0, 900, 1440, 880}};
  const RunningApp live{7, "Ableton Live 12 Suite", ""};
  const WindowInfo small{7, 0, {10, 10, 300, 200}};
  // clang-format off
  const std::tuple<const char*, std::vector<RunningApp>, std::vector<WindowInfo>, std::vector<Screen>,
                   std::optional<std::size_t>, geometry::Rect> cases[] = {
      {"largest on the right", {live}, {small, {7, 0, {1600, 100, 1000, 700}}}, {primary, right}, 0, right.visibleFrame},
      {"above, y flipped", {live}, {small, {7, 0, {0, -700, 1000, 400}}}, {primary, above}, 0, above.visibleFrame},
      {"other layers and apps", {live, {8, "Other", ""}}, {small, {7, 3, {1600, 0, 900, 900}}, {8, 0, {1600, 0, 900, 900}}},
       {primary, right}, 1, primary.visibleFrame},
      {"not running: the main screen", {}, {small}, {primary, right}, 1, right.visibleFrame},
      {"off every screen, no main one: the first", {live}, {{7, 0, {-5000, 0, 100, 100}}}, {primary, right},
       std::nullopt, primary.visibleFrame},
      {"no screen", {live}, {small}, {}, std::nullopt, {}},
  };
  // clang-format on
  for (const auto& [name, apps, windows, screens, main, expected] : cases) {
    FakeWorkspace desk;
    desk.apps = apps;
    desk.shown = windows;
    desk.screenList = screens;
    desk.mainIndex = main;
    EXPECT_EQ(liveScreen(desk), expected) << name;
  }
}

TEST(LiveFront, RecognisesLiveByProcessNameOrBundleIdentifier) {
  const std::pair<std::optional<RunningApp>, bool> cases[] = {
      {RunningApp{1, "ABLETON LIVE 12", ""}, true},
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
