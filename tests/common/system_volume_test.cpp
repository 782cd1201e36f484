// The computer's volume for both modules: quarter-step sound keys within a budget, and silent writes.
#include "common/system_volume.h"

#include <gtest/gtest.h>

#include <cmath>

#include "support/fake_audio_output.h"
#include "support/recording_key_output.h"

namespace {

using Sound = RecordingKeyOutput::Sound;
const Sound UP{SoundKey::up, true}, DOWN{SoundKey::down, true}, MUTE{SoundKey::mute, false};

TEST(SystemVolume, TowardPressesRoundedQuarterStepsWithinTheBudgetAndUnmutesOnlyWhenRaising) {
  const std::tuple<double, double, bool, std::vector<Sound>> cases[] = {
      {50, 51, false, {}},  // inside the dead zone
      {0, 2.24, false, {UP}},
      {0, 2.25, false, {UP, UP}},  // one and a half steps round up
      {50, 46, false, {DOWN, DOWN, DOWN}},
      {20, 80, false, std::vector<Sound>(8, UP)},
      {80, 0, true, std::vector<Sound>(8, DOWN)},
      {10, 12, true, {UP, MUTE}},
      {10, 11, true, {}},  // no raise, no unmuting
      {50, NAN, false, {}},
  };
  FakeAudioOutput none;  // without a volume to start from nothing is pressed
  none.present = false;
  RecordingKeyOutput untouched;
  EXPECT_EQ(systemVolume::toward(none, untouched, 100), 0);
  EXPECT_TRUE(untouched.sounds.empty());
  for (const auto& [from, to, muted, expected] : cases) {
    FakeAudioOutput audio;
    RecordingKeyOutput keys;
    audio.level = from / 100;
    audio.mute = muted;
    systemVolume::toward(audio, keys, to);
    EXPECT_EQ(keys.sounds, expected) << from << " -> " << to;
  }
}

TEST(SystemVolume, SetWritesTheClampedVolumeAndUnmutesOnlyAboveZero) {
  const std::tuple<double, double, bool> cases[] = {
      {120, 1.0, false}, {0.5, 0.005, false}, {0, 0.0, true}, {NAN, 0.0, true}};
  for (const auto& [percent, level, mute] : cases) {
    FakeAudioOutput audio;
    audio.mute = true;
    systemVolume::set(audio, percent);
    EXPECT_DOUBLE_EQ(audio.level, level) << percent;
    EXPECT_EQ(audio.mute, mute) << percent;
  }
}

}  // namespace
