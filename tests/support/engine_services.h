// What an engine needs besides its loop, MIDI layer and doubles, for the tests and benchmarks that run one on
// something real: its settings, Live's folders and the E16 scenes all under one `home`, OSC towards a port
// nothing answers on, no blob window, and for the Key Stroke engine a helper that is not there.
#pragma once

#include <optional>
#include <string>

#include "keystroke/engine.h"
#include "mackie/engine/engine.h"

inline MKServices mkServicesAt(const std::string& home, Loop& loop, MidiSystem& midi, AudioOutput& audio,
                               KeyOutput& keys, Workspace& workspace) {
  return {loop, midi, audio, keys, workspace, home, LiveFolders{home, std::nullopt}, 47999, {}, home};
}

inline KSServices ksServicesAt(const std::string& home, Loop& loop, MidiSystem& midi, AudioOutput& audio,
                               KeyOutput& keys, KeyCapture& capture) {
  return {loop, midi, audio, keys, capture, home, home, home + "/helper.py", true};
}
