// The Key Stroke module's volume in whole percents.
#include "keystroke/volume.h"

#include <gtest/gtest.h>

#include "support/fake_audio_output.h"
#include "support/recording_key_output.h"

namespace {

TEST(KSVolume, SetClampsToWholePercentsAndUnmutesAboveZeroAndTowardAnswersThePressesItMade) {
  FakeAudioOutput audio;
  audio.mute = true;
  KSVolume::set(audio, 120);
  EXPECT_DOUBLE_EQ(audio.level, 1.0);
  EXPECT_FALSE(audio.mute);
  audio.mute = true;
  KSVolume::set(audio, -5);
  EXPECT_DOUBLE_EQ(audio.level, 0.0);
  EXPECT_TRUE(audio.mute);
  audio.present = false;
  KSVolume::set(audio, 50);
  EXPECT_DOUBLE_EQ(audio.level, 0.0);
  // Toward answers the presses it made.
  RecordingKeyOutput keys;
  audio.present = true;
  audio.mute = false;
  audio.level = 0.2;
  EXPECT_EQ(KSVolume::toward(audio, keys, 80), 8);
  EXPECT_EQ(KSVolume::toward(audio, keys, 16), -3);
  EXPECT_EQ(KSVolume::toward(audio, keys, 21), 0);
  EXPECT_EQ(keys.sounds.size(), 11u);
}

}  // namespace
