// Choosing the MIDI layer on a machine without an ALSA sequencer (as these are): JACK takes over and says
// why.
#include "platform/midi_choice.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "support/services.h"
#include "support/thread_loop.h"

namespace {

TEST(MidiChoice, WithoutASequencerTheAutomaticChoiceIsJackAndALayerAskedForByNameIsTakenEvenWhenAbsent) {
  if (::access("/dev/snd/seq", F_OK) == 0)
    GTEST_SKIP() << "this machine has an ALSA sequencer: the VM tests cover it";
  REQUIRE_SERVICE("JACK_DEFAULT_SERVER", "the JACK server");
  ThreadLoop loop;
  const auto choice = chooseMidi(loop, "");
  EXPECT_EQ(choice.backend, "jack");
  EXPECT_EQ(
      choice.system->about,
      "MIDI through JACK: the ALSA sequencer could not be opened (No such file or directory), and a JACK "
      "server answers");
  // A layer asked for by name is taken even when it is not there.
  const auto alsa = chooseMidi(loop, "alsa");
  EXPECT_EQ(alsa.backend, "alsa");
  EXPECT_EQ(alsa.system->about,
            "MIDI through the ALSA sequencer, as asked: it could not be opened (No such file or directory)");
  EXPECT_TRUE(alsa.system->sources().empty());
  const auto jack = chooseMidi(loop, "jack", "no-such-server");
  EXPECT_EQ(jack.backend, "jack");
  EXPECT_EQ(jack.system->about, "MIDI through JACK, as asked: no JACK server answers yet");
}

}  // namespace
