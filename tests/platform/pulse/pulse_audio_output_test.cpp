// The PulseAudio output against the run's private server, checked both ways with pactl, and without any
// server at all. The tests that change the sink share one test, since ctest may run tests side by side.
#include "platform/pulse/pulse_audio_output.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <optional>
#include <string>

#include "support/services.h"
#include "support/spawned_process.h"
#include "support/temp_folder.h"

namespace {

TEST(PulseAudioOutput, ReadsWhatOthersSetAndWritesWhatOthersRead) {
  REQUIRE_SERVICE("PULSE_SERVER", "the PulseAudio server");
  PulseAudioOutput audio;
  ASSERT_TRUE(audio.defaultDevice().has_value());
  EXPECT_EQ(std::to_string(*audio.defaultDevice()) + "\n",
            output("pactl list short sinks | awk -v d=\"$(pactl get-default-sink)\" '$2 == d {print $1}'"));
  for (const bool muted : {true, false}) {
    output("pactl set-sink-mute @DEFAULT_SINK@ " + std::to_string(muted));
    EXPECT_EQ(audio.muted(), muted);
    ASSERT_TRUE(audio.setMuted(!muted));
    EXPECT_EQ(output("pactl get-sink-mute @DEFAULT_SINK@ 2>&1"), muted ? "Mute: no\n" : "Mute: yes\n");
  }
  // A balance the user set reads as the average and survives a new level; above the normal level reads as
  // full, and a level above 1 is held to it. Set by pactl, read, set, as pactl shows.
  const std::tuple<const char*, double, double, const char*> cases[] = {
      {"25%", 0.25, 0.4, "40% 40% "}, {"20% 60%", 0.4, 0.2, "10% 30% "}, {"150%", 1.0, 7, "100% 100% "}};
  for (const auto& [volumes, read, level, percents] : cases) {
    SCOPED_TRACE(volumes + std::string(" then ") + std::to_string(level));
    output(std::string("pactl set-sink-volume @DEFAULT_SINK@ ") + volumes);
    EXPECT_NEAR(audio.volume().value_or(-1), read, 0.001);
    EXPECT_TRUE(audio.setVolume(level));
    EXPECT_EQ(output("pactl get-sink-volume @DEFAULT_SINK@ | head -n 1 | grep -o '[0-9]*%' | tr '\\n' ' '"),
              percents);
  }
}

// No server, or one that accepts the connection and then says nothing: every call must still come back.
TEST(PulseAudioOutput, AnswersNothingWithoutAWorkingServerAndFindsOneThatAppearsLater) {
  const TempFolder folder;
  const std::string silent = folder.path() + "/native", server = serviceVariable("PULSE_SERVER");
  const int listener = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_un address{AF_UNIX, {}};
  silent.copy(address.sun_path, sizeof address.sun_path - 1);
  ASSERT_EQ(bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(listen(listener, 4), 0);
  std::optional<PulseAudioOutput> audio;
  for (const std::string& at : {"unix:" + silent, std::string("unix:/nonexistent/vuda/pulse/native")}) {
    SCOPED_TRACE(at);
    setenv("PULSE_SERVER", at.c_str(), 1);
    audio.emplace();
    EXPECT_EQ(std::tuple(audio->volume(), audio->defaultDevice(), audio->muted()),
              std::tuple(std::nullopt, std::nullopt, std::nullopt));
    EXPECT_FALSE(audio->setVolume(0.5) || audio->setMuted(true));
  }
  close(listener);
  // The run's server is back in the environment: the output made without one finds it.
  server.empty() ? unsetenv("PULSE_SERVER") : setenv("PULSE_SERVER", server.c_str(), 1);
  REQUIRE_SERVICE("PULSE_SERVER", "the PulseAudio server");
  EXPECT_TRUE(audio->defaultDevice().has_value() && audio->volume().has_value());
}

}  // namespace
