// The PulseAudio output against the run's private server, checked both ways with pactl, and without any
// server at all. The tests that change the sink share one test, since ctest may run tests side by side.
#include "platform/pulse/pulse_audio_output.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "support/services.h"

namespace {

std::string run(const std::string& command) {
  std::string out;
  if (FILE* pipe = popen((command + " 2>&1").c_str(), "r")) {
    char buffer[256];
    while (const size_t n = fread(buffer, 1, sizeof buffer, pipe))
      out.append(buffer, n);
    pclose(pipe);
  }
  return out;
}

// The percentages pactl shows for each channel of the default sink.
std::vector<int> pactlPercents() {
  const std::string out = run("pactl get-sink-volume @DEFAULT_SINK@");
  const std::string firstLine = out.substr(0, out.find('\n'));
  std::vector<int> percents;
  const std::regex percent(R"((\d+)%)");
  for (std::sregex_iterator it(firstLine.begin(), firstLine.end(), percent), end; it != end; ++it)
    percents.push_back(std::stoi((*it)[1]));
  return percents;
}

std::optional<std::uint32_t> pactlDefaultIndex() {
  std::string name = run("pactl get-default-sink");
  name = name.substr(0, name.find('\n'));
  std::istringstream sinks(run("pactl list short sinks"));
  for (std::string line; std::getline(sinks, line);) {
    std::istringstream fields(line);
    std::uint32_t index = 0;
    std::string sinkName;
    if (fields >> index >> sinkName && sinkName == name) return index;
  }
  return std::nullopt;
}

// Points libpulse at another server for one test; the run's own address comes back when it ends.
class ServerAddress {
 public:
  explicit ServerAddress(const char* address) : saved_(serviceVariable("PULSE_SERVER")) {
    setenv("PULSE_SERVER", address, 1);
  }
  ~ServerAddress() { restore(); }
  void restore() {
    if (saved_.empty())
      unsetenv("PULSE_SERVER");
    else
      setenv("PULSE_SERVER", saved_.c_str(), 1);
  }

 private:
  std::string saved_;
};

TEST(PulseAudioOutput, ReadsWhatOthersSetAndWritesWhatOthersRead) {
  REQUIRE_SERVICE("PULSE_SERVER", "the PulseAudio server");
  PulseAudioOutput audio;
  ASSERT_TRUE(audio.defaultDevice().has_value());
  EXPECT_EQ(audio.defaultDevice(), pactlDefaultIndex());

  run("pactl set-sink-volume @DEFAULT_SINK@ 25%");
  EXPECT_NEAR(audio.volume().value_or(-1), 0.25, 0.001);
  run("pactl set-sink-mute @DEFAULT_SINK@ 1");
  EXPECT_EQ(audio.muted(), true);
  run("pactl set-sink-mute @DEFAULT_SINK@ 0");
  EXPECT_EQ(audio.muted(), false);

  ASSERT_TRUE(audio.setVolume(0.4));
  EXPECT_EQ(pactlPercents(), (std::vector<int>{40, 40}));
  EXPECT_NEAR(audio.volume().value_or(-1), 0.4, 0.001);
  ASSERT_TRUE(audio.setMuted(true));
  EXPECT_NE(run("pactl get-sink-mute @DEFAULT_SINK@").find("Mute: yes"), std::string::npos);
  ASSERT_TRUE(audio.setMuted(false));
  EXPECT_NE(run("pactl get-sink-mute @DEFAULT_SINK@").find("Mute: no"), std::string::npos);

  // A balance the user set is the average on reading and survives a new level.
  run("pactl set-sink-volume @DEFAULT_SINK@ 20% 60%");
  EXPECT_NEAR(audio.volume().value_or(-1), 0.4, 0.001);
  ASSERT_TRUE(audio.setVolume(0.2));
  EXPECT_EQ(pactlPercents(), (std::vector<int>{10, 30}));

  // Above the normal level reads as full; levels outside 0..1 are held to it, and no number is refused.
  run("pactl set-sink-volume @DEFAULT_SINK@ 150%");
  EXPECT_EQ(audio.volume(), 1.0);
  ASSERT_TRUE(audio.setVolume(7));
  EXPECT_EQ(pactlPercents(), (std::vector<int>{100, 100}));
  ASSERT_TRUE(audio.setVolume(-1));
  EXPECT_EQ(pactlPercents(), (std::vector<int>{0, 0}));
  EXPECT_FALSE(audio.setVolume(std::nan("")));
  EXPECT_EQ(pactlPercents(), (std::vector<int>{0, 0}));
}

TEST(PulseAudioOutput, AnswersNothingWithoutAServerAndFindsOneThatAppearsLater) {
  ServerAddress missing("unix:/nonexistent/vuda/pulse/native");
  PulseAudioOutput audio;
  EXPECT_EQ(audio.defaultDevice(), std::nullopt);
  EXPECT_EQ(audio.volume(), std::nullopt);
  EXPECT_EQ(audio.muted(), std::nullopt);
  EXPECT_FALSE(audio.setVolume(0.5));
  EXPECT_FALSE(audio.setMuted(true));

  missing.restore();
  REQUIRE_SERVICE("PULSE_SERVER", "the PulseAudio server");
  EXPECT_TRUE(audio.defaultDevice().has_value());
  EXPECT_TRUE(audio.volume().has_value());
}

// A server that accepts the connection and then says nothing: every call must still come back.
TEST(PulseAudioOutput, GivesUpOnAServerThatNeverAnswers) {
  const std::string path = ::testing::TempDir() + "vuda-silent-pulse-" + std::to_string(getpid());
  const int listener = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  ASSERT_GE(listener, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  ASSERT_LT(path.size(), sizeof address.sun_path);
  path.copy(address.sun_path, path.size());
  unlink(path.c_str());
  ASSERT_EQ(bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(listen(listener, 4), 0);

  ServerAddress silent(("unix:" + path).c_str());
  PulseAudioOutput audio;
  EXPECT_EQ(audio.volume(), std::nullopt);
  EXPECT_FALSE(audio.setMuted(true));
  EXPECT_EQ(audio.defaultDevice(), std::nullopt);
  close(listener);
  unlink(path.c_str());
}

}  // namespace
