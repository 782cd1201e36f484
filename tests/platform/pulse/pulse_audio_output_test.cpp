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
#include <optional>
#include <string>

#include "support/services.h"
#include "support/temp_folder.h"

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

// The percentages pactl shows for the channels of the default sink, as "40% 40% ".
std::string pactlPercents() {
  return run("pactl get-sink-volume @DEFAULT_SINK@ | head -n 1 | grep -o '[0-9]*%' | tr '\\n' ' '");
}

// Points libpulse at another server while it lives.
class ServerAddress {
 public:
  explicit ServerAddress(const std::string& address) : saved_(serviceVariable("PULSE_SERVER")) {
    setenv("PULSE_SERVER", address.c_str(), 1);
  }
  ~ServerAddress() { saved_.empty() ? unsetenv("PULSE_SERVER") : setenv("PULSE_SERVER", saved_.c_str(), 1); }

 private:
  std::string saved_;
};

TEST(PulseAudioOutput, ReadsWhatOthersSetAndWritesWhatOthersRead) {
  REQUIRE_SERVICE("PULSE_SERVER", "the PulseAudio server");
  PulseAudioOutput audio;
  ASSERT_TRUE(audio.defaultDevice().has_value());
  EXPECT_EQ(std::to_string(*audio.defaultDevice()) + "\n",
            run("pactl list short sinks | awk -v d=\"$(pactl get-default-sink)\" '$2 == d {print $1}'"));

  run("pactl set-sink-volume @DEFAULT_SINK@ 25%");
  EXPECT_NEAR(audio.volume().value_or(-1), 0.25, 0.001);
  run("pactl set-sink-mute @DEFAULT_SINK@ 1");
  EXPECT_EQ(audio.muted(), true);
  run("pactl set-sink-mute @DEFAULT_SINK@ 0");
  EXPECT_EQ(audio.muted(), false);

  ASSERT_TRUE(audio.setVolume(0.4));
  EXPECT_EQ(pactlPercents(), "40% 40% ");
  EXPECT_NEAR(audio.volume().value_or(-1), 0.4, 0.001);
  ASSERT_TRUE(audio.setMuted(true));
  EXPECT_NE(run("pactl get-sink-mute @DEFAULT_SINK@").find("Mute: yes"), std::string::npos);
  ASSERT_TRUE(audio.setMuted(false));
  EXPECT_NE(run("pactl get-sink-mute @DEFAULT_SINK@").find("Mute: no"), std::string::npos);

  // A balance the user set is the average on reading and survives a new level.
  run("pactl set-sink-volume @DEFAULT_SINK@ 20% 60%");
  EXPECT_NEAR(audio.volume().value_or(-1), 0.4, 0.001);
  ASSERT_TRUE(audio.setVolume(0.2));
  EXPECT_EQ(pactlPercents(), "10% 30% ");

  // Above the normal level reads as full; levels outside 0..1 are held to it, and no number is refused.
  run("pactl set-sink-volume @DEFAULT_SINK@ 150%");
  EXPECT_EQ(audio.volume(), 1.0);
  ASSERT_TRUE(audio.setVolume(7));
  EXPECT_EQ(pactlPercents(), "100% 100% ");
  ASSERT_TRUE(audio.setVolume(-1));
  EXPECT_EQ(pactlPercents(), "0% 0% ");
  EXPECT_FALSE(audio.setVolume(std::nan("")));
  EXPECT_EQ(pactlPercents(), "0% 0% ");
}

// No server, or one that accepts the connection and then says nothing: every call must still come back.
TEST(PulseAudioOutput, AnswersNothingWithoutAWorkingServerAndFindsOneThatAppearsLater) {
  const TempFolder folder;
  const std::string silent = folder.path() + "/native";
  const int listener = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  ASSERT_GE(listener, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  ASSERT_LT(silent.size(), sizeof address.sun_path);
  silent.copy(address.sun_path, silent.size());
  ASSERT_EQ(bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(listen(listener, 4), 0);

  std::optional<PulseAudioOutput> audio;
  for (const std::string& server : {"unix:" + silent, std::string("unix:/nonexistent/vuda/pulse/native")}) {
    SCOPED_TRACE(server);
    const ServerAddress at(server);
    audio.emplace();
    EXPECT_EQ(audio->volume(), std::nullopt);
    EXPECT_EQ(audio->defaultDevice(), std::nullopt);
    EXPECT_EQ(audio->muted(), std::nullopt);
    EXPECT_FALSE(audio->setVolume(0.5));
    EXPECT_FALSE(audio->setMuted(true));
  }
  close(listener);
  // The run's server is back in the environment: the output made without one finds it.
  REQUIRE_SERVICE("PULSE_SERVER", "the PulseAudio server");
  EXPECT_TRUE(audio->defaultDevice().has_value());
  EXPECT_TRUE(audio->volume().has_value());
}

}  // namespace
