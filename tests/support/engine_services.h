// What an engine needs besides its loop, MIDI layer and doubles, for the tests and benchmarks that run one on
// something real: its settings, Live's folders and the E16 scenes all under one `home`, OSC towards a port
// nothing answers on, no blob window, and a colour helper that is not there.
#pragma once

#include <optional>
#include <string>

#include "keystroke/engine.h"
#include "mackie/engine/engine.h"

inline MKServices mkServicesAt(const std::string& home, Loop& loop, MidiSystem& midi, AudioOutput& audio,
                               KeyOutput& keys, Workspace& workspace) {
  const LiveFolders live{home, std::nullopt};
  return {loop, midi, audio, keys, workspace, home, live, 47999, nullptr, home, home + "/helper.py"};
}

inline KSServices ksServicesAt(const std::string& home, Loop& loop, MidiSystem& midi, AudioOutput& audio,
                               KeyOutput& keys, KeyCapture& capture) {
  return {loop, midi, audio, keys, capture, home, home, home + "/helper.py", true};
}
