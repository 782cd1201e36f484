// Live's OSC requests as a real OSC peer reads them: oscdump must print each one as a valid message.
#include <gtest/gtest.h>

#include "mackie/engine/live.h"
#include "support/loopback_receiver.h"
#include "support/spawned_process.h"
#include "support/temp_folder.h"
#include "support/virtual_loop.h"

namespace {

TEST(OscToLive, BothRequestsReachARealOscPeerAsValidMessages) {
  int port = 0;
  {
    LoopbackReceiver probe;  // a free port, released again for oscdump
    port = probe.port;
  }
  ASSERT_NE(port, 0);
  TempFolder folder;
  SpawnedProcess dump({"oscdump", "-L", std::to_string(port)}, folder.path() + "/dump.log");
  ASSERT_TRUE(dump.running()) << "oscdump (liblo-tools) could not be started";
  VirtualLoop loop;
  const auto live = std::make_shared<MKLive>(loop, LiveFolders{folder.path(), std::nullopt}, port);
  // oscdump binds its port a moment after it starts: ask until it has heard one, then once more for both.
  ASSERT_TRUE(eventually([&] {
    live->ask(MKLive::GET);
    return dump.output().find("/live/song/get/is_playing") != std::string::npos;
  }));
  live->askBoth();
  ASSERT_TRUE(eventually(
      [&] { return dump.output().find("/live/song/start_listen/is_playing") != std::string::npos; }));
  // oscdump prints its arrival time tag, the address and the type tags: a message without arguments ends
  // right after the address. Anything it could not parse would read otherwise.
  std::istringstream lines(dump.output());
  for (std::string line; std::getline(lines, line);) {
    if (line.empty()) continue;
    const auto message = line.substr(line.find(' ') + 1);
    EXPECT_TRUE(message == "/live/song/get/is_playing " || message == "/live/song/start_listen/is_playing ")
        << line;
  }
}

}  // namespace
