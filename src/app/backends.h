// The real services the engines and the shell run on, on Linux: Qt's loop, the MIDI layer (ALSA sequencer or
// JACK), the pulse server's volume, and the X server's keys, key capture, hot keys and desktop.
#pragma once

#include <string>

#include "app/command_line.h"
#include "app/midi_choice.h"
#include "platform/pulse/pulse_audio_output.h"
#include "platform/qt/qt_loop.h"
#include "platform/x11/x11_hot_keys.h"
#include "platform/x11/x11_key_capture.h"
#include "platform/x11/x11_key_output.h"
#include "platform/x11/x11_workspace.h"

// Made after the Qt application, on its thread; everything made from it goes before it does.
struct Backends {
  explicit Backends(const Options& options);

  QtLoop loop;
  MidiChoice midi;
  PulseAudioOutput audio;
  X11KeyOutput keys;
  X11KeyCapture capture;
  X11Workspace workspace;
  X11HotKeys hotKeys;
  std::string home;
  std::string documents;
  std::string winePrefix;  // where a Windows build of Live keeps its log under Wine
};
