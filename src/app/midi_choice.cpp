// Choosing the MIDI layer (see the header).
#include "app/midi_choice.h"

#include "platform/alsa/alsa_midi_system.h"
#include "platform/jack/jack_midi_system.h"

MidiChoice chooseMidi(Loop& loop, const std::string& wanted, const std::string& jackServer) {
  if (wanted == "jack") {
    auto jack = std::make_unique<JackMidiSystem>(loop, jackServer);
    jack->about =
        std::string("MIDI through JACK, as asked") + (jack->online() ? "" : ": no JACK server answers yet");
    return {std::move(jack), "jack"};
  }
  auto alsa = std::make_unique<AlsaMidiSystem>(loop);
  if (wanted == "alsa") {
    alsa->about = "MIDI through the ALSA sequencer, as asked" +
                  (alsa->online() ? std::string() : ": it could not be opened (" + alsa->failure() + ")");
    return {std::move(alsa), "alsa"};
  }
  if (alsa->online()) {
    alsa->about = "MIDI through the ALSA sequencer, the default";
    return {std::move(alsa), "alsa"};
  }
  const auto why = alsa->failure();
  alsa.reset();
  auto jack = std::make_unique<JackMidiSystem>(loop, jackServer);
  jack->about = "MIDI through JACK: the ALSA sequencer could not be opened (" + why + ")" +
                (jack->online() ? ", and a JACK server answers" : ", and no JACK server answers yet");
  return {std::move(jack), "jack"};
}
