// The computer's volume through the sound keys and through silent writes, on a fake output and recorded keys.
#include "mackie/engine/mac.h"

#include <gtest/gtest.h>

#include <cmath>

#include "support/fake_audio_output.h"
#include "support/recording_key_output.h"

namespace {

using Sound = RecordingKeyOutput::Sound;
const Sound UP{SoundKey::up, true}, DOWN{SoundKey::down, true}, MUTE{SoundKey::mute, false};

}  // namespace

TEST(MKMacToward, PressesQuarterStepsWithinTheBudgetAndUnmutesWhenRaising) {
  struct Case {
    double from, to;
    bool muted;
    std::vector<Sound> expected;
  };
  const Case cases[] = {
      {50, 51, false, {}},
      {50, 53, false, {UP, UP}},
      {50, 46, false, {DOWN, DOWN, DOWN}},
      {20, 80, false, std::vector<Sound>(8, UP)},
      {80, 0, true, std::vector<Sound>(8, DOWN)},  // lowering leaves the mute alone
      {10, 30, true, {UP, UP, UP, UP, UP, UP, UP, UP, MUTE}},
      {10, 11, true, {}},
      {50, NAN, false, {}},
  };
  for (const auto& c : cases) {
    FakeAudioOutput audio;
    RecordingKeyOutput keys;
    audio.level = c.from / 100;
    audio.mute = c.muted;
    MKMac::toward(audio, keys, c.to);
    EXPECT_EQ(keys.sounds, c.expected) << c.from << " -> " << c.to;
  }
  FakeAudioOutput none;
  none.present = false;
  RecordingKeyOutput keys;
  MKMac::toward(none, keys, 100);
  EXPECT_TRUE(keys.sounds.empty());
}

TEST(MKMacSteps, RoundsHalfUpAndKeepsAtLeastOnePressOutsideTheDeadZone) {
  const std::tuple<double, double, int, int> cases[] = {
      {0, 1.09, 8, 0}, {0, 1.1, 8, 1},   {0, 2.24, 8, 1},     {0, 2.25, 8, 2}, {10, 0, 8, -7},
      {0, 100, 3, 3},  {0, 1e300, 8, 8}, {0, INFINITY, 8, 0}, {0, 50, 0, 0},
  };
  for (const auto& [from, to, budget, expected] : cases)
    EXPECT_EQ(MKMac::steps(from, to, budget), expected) << from << " -> " << to << " within " << budget;
}

TEST(MKMacSet, WritesTheClampedVolumeAndUnmutesOnlyAboveZero) {
  struct Case {
    double percent;
    double level;
    bool mute;
  };
  const Case cases[] = {
      {120, 1.0, false}, {-5, 0.0, true}, {0, 0.0, true}, {NAN, 0.0, true}, {42, 0.42, false}};
  for (const auto& c : cases) {
    FakeAudioOutput audio;
    audio.mute = true;
    MKMac::set(audio, c.percent);
    EXPECT_DOUBLE_EQ(audio.level, c.level) << c.percent;
    EXPECT_EQ(audio.mute, c.mute) << c.percent;
  }
  FakeAudioOutput none;
  none.present = false;
  MKMac::set(none, 50);
  EXPECT_EQ(none.writes, 0);
}
