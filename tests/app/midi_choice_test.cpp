// Choosing the MIDI layer on a machine without an ALSA sequencer (as these are): JACK takes over and says
// why; a layer asked for by name is taken even when it is not there.
#include "app/midi_choice.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <vector>

#include "support/services.h"
#include "support/thread_loop.h"

TEST(MidiChoice, WithoutASequencerTheAutomaticChoiceIsJackAndALayerAskedForByNameIsTakenEvenWhenAbsent) {
  if (::access("/dev/snd/seq", F_OK) == 0)
    GTEST_SKIP() << "this machine has an ALSA sequencer: the VM tests cover it";
  REQUIRE_SERVICE("JACK_DEFAULT_SERVER", "the JACK server");
  ThreadLoop loop;
  for (const auto& [wanted, server, backend, about] : std::vector<std::array<std::string, 4>>{
           {"", "", "jack",
            "MIDI through JACK: the ALSA sequencer could not be opened (No such file or directory), and a "
            "JACK server answers"},
           {"alsa", "", "alsa",
            "MIDI through the ALSA sequencer, as asked: it could not be opened (No such file or directory)"},
           {"jack", "no-such-server", "jack", "MIDI through JACK, as asked: no JACK server answers yet"}}) {
    const auto choice = chooseMidi(loop, wanted, server);
    EXPECT_EQ(choice.backend, backend);
    EXPECT_EQ(choice.system->about, about);
  }
}
