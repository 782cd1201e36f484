// Whether Ableton Live is playing, learned by asking a scripting endpoint inside Live over OSC and reading
// Live's log, where the answers land.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/loop.h"

// The folders where Live keeps its log: the home folder's Live preferences, and a Wine prefix where a Windows
// build of Live runs.
struct LiveFolders {
  std::string home;
  std::optional<std::string> winePrefix;  // $WINEPREFIX, else ~/.wine; nothing to skip it
};

// Made with std::make_shared: its timer holds it weakly.
class MKLive : public std::enable_shared_from_this<MKLive> {
 public:
  static constexpr double STALE = 15.0;
  static constexpr double BEAT = 5.0;
  static constexpr std::uint64_t SEED = 400000;
  static constexpr const char* START_LISTEN = "/live/song/start_listen/is_playing";
  static constexpr const char* GET = "/live/song/get/is_playing";

  MKLive(Loop& loop, LiveFolders folders, int oscPort = 11000);

  std::optional<std::string> log;
  std::uint64_t pos = 0;
  std::optional<bool> playing;
  double at = DISTANT_PAST;
  TaskHandle timer;

  void start();
  void stop();
  // The state when learned within STALE seconds; otherwise asks Live again and answers nothing.
  std::optional<bool> isPlaying();
  // Rereads the log and answers the latest state, however old.
  std::optional<bool> saysNow();
  // Records what Live will be doing, because this module has just made it so.
  void expect(bool isPlaying);
  void ask(std::string_view address);
  void askBoth();
  std::optional<std::string> logPath();
  void scan();

 private:
  Loop& loop_;
  LiveFolders folders_;
  int oscPort_;
};

// An OSC message without arguments: the address and the type tag ",", each padded with zero bytes.
std::string oscPacket(std::string_view address);
