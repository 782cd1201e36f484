// The program's options: what the user can ask for when starting it.
#pragma once

#include <QStringList>
#include <optional>
#include <string>

struct Options {
  bool dry = false;       // the Key Stroke module listens in a window of its own and presses nothing
  bool login = false;     // started with the session: no permission prompt
  bool headless = false;  // no tray and no window
  bool trace = false;     // every new trace line on standard output
  std::string midi;       // "alsa", "jack", or empty for the automatic choice
};

// Either options to run with, or what to print and the exit status to end with at once (help, version, or a
// bad option: the usage and status 2).
struct Parsed {
  std::optional<Options> options;
  std::string print;
  bool toStandardError = false;
  int status = 0;
};

Parsed parseCommandLine(const QStringList& arguments);
