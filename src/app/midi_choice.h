// Which MIDI layer the application uses. The ALSA sequencer is on every Linux desktop (PipeWire bridges it
// too), so it is the default; JACK serves those who run a JACK server; either can also be asked for by name.
#pragma once

#include <memory>
#include <string>

#include "platform/loop.h"
#include "platform/midi_system.h"

struct MidiChoice {
  std::unique_ptr<MidiSystem> system;  // its `about` says which layer it is and why
  std::string backend;                 // "alsa" or "jack"
};

// `wanted` is "alsa", "jack", or empty for the automatic choice: the ALSA sequencer when it can be opened,
// else JACK when a server answers, else JACK waiting for a server. `jackServer` names a JACK server other
// than the default one. Anything else wanted is treated as empty. The system delivers on `loop`'s thread.
MidiChoice chooseMidi(Loop& loop, const std::string& wanted, const std::string& jackServer = {});
