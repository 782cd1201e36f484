// The computer's volume for both modules: quarter-step sound keys within a budget, and silent writes.
#include "common/system_volume.h"

#include <gtest/gtest.h>

#include <cmath>

#include "support/fake_audio_output.h"
#include "support/recording_key_output.h"

using Sound = RecordingKeyOutput::Sound;
const Sound UP{SoundKey::up, true}, DOWN{SoundKey::down, true}, MUTE{SoundKey::mute, false};

// Toward answers the steps it pressed, signed; without a volume to start from nothing is pressed.
TEST(SystemVolume, TowardPressesRoundedQuarterStepsWithinTheBudgetAndUnmutesOnlyWhenRaising) {
  // clang-format off
  // Inside the dead zone; one and a half steps round up; no raise, no unmuting; no output device.
  const std::tuple<double, double, bool, int, std::vector<Sound>> cases[] = {
      {50, 51, false, 0, {}}, {0, 2.24, false, 1, {UP}}, {0, 2.25, false, 2, {UP, UP}}, {NAN, 100, false, 0, {}},
      {50, 46, false, -3, {DOWN, DOWN, DOWN}}, {20, 80, false, 8, std::vector<Sound>(8, UP)},
      {80, 0, true, -8, std::vector<Sound>(8, DOWN)}, {10, 12, true, 1, {UP, MUTE}}, {10, 11, true, 0, {}}};
  // clang-format on
  for (const auto& [from, to, muted, steps, expected] : cases) {
    FakeAudioOutput audio;
    RecordingKeyOutput keys;
    audio.level = from / 100;
    audio.present = !std::isnan(from);
    audio.mute = muted;
    EXPECT_EQ(systemVolume::toward(audio, keys, to), steps) << from << " -> " << to;
    EXPECT_EQ(keys.sounds, expected) << from << " -> " << to;
  }
}

TEST(SystemVolume, SetWritesTheClampedVolumeAndUnmutesOnlyAboveZero) {
  // clang-format off
  const std::tuple<double, double, bool, bool> cases[] = {
      {120, 1.0, false, true}, {0.5, 0.005, false, true}, {0, 0.0, true, true}, {NAN, 0.0, true, true},
      {50, 0.3, true, false}};  // without an output device nothing is written
  // clang-format on
  for (const auto& [percent, level, mute, present] : cases) {
    FakeAudioOutput audio;
    audio.mute = true;
    audio.level = 0.3;
    audio.present = present;
    systemVolume::set(audio, percent);
    EXPECT_EQ(std::pair(audio.level, audio.mute), std::pair(level, mute)) << percent;
  }
}
