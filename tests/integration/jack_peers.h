// JACK peers of the JACK distribution for the engines' integration tests: jack_midiseq plays a controller
// (note 60, velocity 64, once a second) and jack_midi_dump stands for the DAW, printing what reaches it with
// its frame time. Both run on the run's JACK server, or on a private one a test starts.
#pragma once

#include <QCoreApplication>
#include <QEventLoop>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "support/private_jack_server.h"
#include "support/services.h"
#include "support/spawned_process.h"
#include "support/temp_folder.h"

// One Qt application for the test process; the engines' loop runs on it.
inline QCoreApplication& qtApplication() {
  static int argc = 1;
  static char name[] = "integration_tests";
  static char* argv[] = {name, nullptr};
  static QCoreApplication app(argc, argv);
  return app;
}

// Runs the Qt loop until `condition` holds or `seconds` pass.
inline bool runUntil(const std::function<bool()>& condition, double seconds = 5) {
  qtApplication();
  return eventually(
      [&] {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        return condition();
      },
      seconds);
}

struct DumpedMessage {
  long frame;
  std::string bytes;  // "90 5f 7f"
};

// jack_midi_dump's lines, "  23744: 90 3c 40 note on ...", as frame times and bytes.
inline std::vector<DumpedMessage> dumped(const std::string& output) {
  std::vector<DumpedMessage> out;
  std::istringstream lines(output);
  for (std::string line; std::getline(lines, line);) {
    const auto colon = line.find(':');
    if (colon == std::string::npos || line.size() < colon + 10) continue;
    try {
      out.push_back({std::stol(line.substr(0, colon)), line.substr(colon + 2, 8)});
    } catch (...) {
    }
  }
  return out;
}

class JackPeers {
 public:
  explicit JackPeers(const TempFolder& folder)
      : dump_({"jack_midi_dump", "-a", "dumper"}, folder.path() + "/dump.log"),
        seq_({"jack_midiseq", "seq", "48000", "0", "60", "4800"}, folder.path() + "/seq.log") {}

  bool running() const { return dump_.running() && seq_.running(); }
  std::vector<DumpedMessage> received() const { return dumped(dump_.output()); }

 private:
  SpawnedProcess dump_;
  SpawnedProcess seq_;
};
