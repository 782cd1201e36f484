// Live's transport state: OSC requests caught on a real loopback socket, logs laid out in a temporary home
// and Wine prefix, timing on the virtual loop, and recognising Live on a fake desktop.
#include "mackie/engine/live.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "support/loopback_receiver.h"
#include "support/temp_folder.h"
#include "support/virtual_loop.h"

namespace fs = std::filesystem;

static const std::string GOT = "info: RemoteScriptMessage: Getting property for song: is_playing = ";
static const std::vector<std::string> ASKED = {
    std::string("/live/song/start_listen/is_playing\0\0,\0\0\0", 40),
    std::string("/live/song/get/is_playing\0\0\0,\0\0\0", 32)};

struct MKLiveTest : testing::Test {
  fs::path homeLog(const std::string& version) const {
    return root / "home/Library/Preferences/Ableton" / ("Live " + version) / "Log.txt";
  }
  // Writes (or with `append` adds to) a log whose modification time lies `age` minutes back.
  static void write(const fs::path& path, const std::string& text, int age = 0, bool append = false) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary | (append ? std::ios::app : std::ios::trunc)) << text;
    fs::last_write_time(path, fs::file_time_type::clock::now() - std::chrono::minutes(age));
  }
  // Writes `lines` lines of 100 bytes to Live 12.0's log, the one at `at` saying "True", and rereads it.
  std::optional<bool> bigLog(std::size_t lines, std::size_t at, bool append = false) {
    std::string text;
    for (std::size_t i = 0; i < lines; ++i)
      text += (GOT + (i == at ? "True" : "Filler")).append(100, ' ').substr(0, 99) + "\n";
    write(homeLog("12.0"), text, 0, append);
    return live->saysNow();
  }

  TempFolder tmp;
  fs::path root = tmp.path();
  VirtualLoop loop;
  LoopbackReceiver osc;  // standing in for the OSC endpoint inside Live
  std::shared_ptr<MKLive> live = std::make_shared<MKLive>(
      loop, LiveFolders{(root / "home").string(), (root / "wine").string()}, osc.port);
};

TEST_F(MKLiveTest, TheLastTransportLineOfTheLogDecidesAndLaterScansReadOnlyWhatWasAppended) {
  const std::string changed = "info: RemoteScriptMessage: Property is_playing changed of song []: (";
  const std::pair<std::string, std::optional<bool>> cases[] = {
      {changed + "True)\n" + GOT + "False\n", false},
      {GOT + "True\r\n\n\nunrelated\n", true},
      {GOT + "False\n" + changed + "Maybe)\n", false},                 // neither word changes nothing
      {"\xff\xfe " + GOT.substr(GOT.find("Getting")) + "True", true},  // bad bytes, no final line feed
  };
  for (const auto& [text, expected] : cases) {
    live->stop();
    write(homeLog("12.0"), text);
    loop.advance(1);
    EXPECT_EQ(live->saysNow(), expected) << text;
    EXPECT_EQ(live->at, expected ? loop.now() : DISTANT_PAST);
  }
  live->playing.reset();  // a line read twice would bring it back
  EXPECT_EQ(live->saysNow(), std::nullopt);
  write(homeLog("12.0"), GOT + "False\n", 0, true);
  EXPECT_EQ(live->saysNow(), false);
}

// A log read the first time is read from its last 400000 bytes on; what was appended since, in full.
TEST_F(MKLiveTest, ALogReadTheFirstTimeIsReadOnlyFromItsTail) {
  EXPECT_EQ(bigLog(10000, 5999), std::nullopt);
  EXPECT_EQ(bigLog(10000, 10, true), true);  // a flood of 1 MB
  live->stop();
  EXPECT_EQ(bigLog(10000, 6000), true);
  live->playing.reset();
  live->pos = 1'000'000;
  EXPECT_EQ(bigLog(5000, 1000), true);  // replaced by a smaller log: read from its own tail
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
  EXPECT_EQ(MKLive(loop, LiveFolders{(root / "nohome").string(), std::nullopt}, osc.port).logPath(),
            std::nullopt);
}

TEST_F(MKLiveTest, AnExpectedStateHoldsForFifteenSecondsThenLiveIsAskedAgain) {
  live->expect(true);
  loop.advance(MKLive::STALE);
  EXPECT_EQ(live->isPlaying(), true);
  EXPECT_TRUE(osc.drain().empty());
  loop.advance(0.1);
  EXPECT_EQ(live->isPlaying(), std::nullopt);
  EXPECT_EQ(osc.drain(), ASKED);
}

TEST_F(MKLiveTest, StartAsksScansAfterAMomentAndPollsEveryFiveSecondsUntilStopped) {
  write(homeLog("12.0"), GOT + "True\n");
  live->start();
  live->stop();  // before the first scan: it must not run either
  loop.advance(20);
  EXPECT_EQ(live->log, std::nullopt);
  osc.drain();
  live->start();
  EXPECT_EQ(osc.drain(), ASKED);
  loop.advance(0.29);
  EXPECT_EQ(live->playing, std::nullopt);
  loop.advance(0.02);
  EXPECT_EQ(live->playing, true);
  write(homeLog("12.0"), GOT + "False\n", 0, true);
  loop.advance(4.6);
  EXPECT_EQ(live->playing, true);
  loop.advance(0.1);
  EXPECT_EQ(live->playing, false);
  EXPECT_EQ(osc.drain(), std::vector{ASKED[1]});
  live->stop();  // forgets everything
  EXPECT_EQ(std::tuple(live->playing, live->at, live->pos, live->log),
            std::tuple(std::nullopt, DISTANT_PAST, 0u, std::nullopt));
  loop.advance(20);
  EXPECT_TRUE(osc.drain().empty());
}
