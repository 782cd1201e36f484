// An X server (Xvfb) of the test's own, for a test that kills it: the run's shared one must outlive every
// test. It can be started again on the same display, as a desktop's server comes back after a crash.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "support/spawned_process.h"
#include "support/temp_folder.h"

class PrivateXServer {
 public:
  // Tries a few display numbers from one that depends on the process, so that parallel runs rarely meet; a
  // number another server holds makes Xvfb end at once, and the next is tried.
  explicit PrivateXServer(const TempFolder& folder) : log_(folder.path() + "/xvfb.log") {
    const int first = 200 + static_cast<int>(getpid() % 500);
    for (int number = first; number < first + 10 && display_.empty(); ++number)
      if (start(":" + std::to_string(number))) display_ = ":" + std::to_string(number);
  }

  // ":N"; empty when no server could be started, and log() says why.
  const std::string& display() const { return display_; }
  // Ends it as a crash would for its clients: their connections close under them.
  void kill() { process_.reset(); }
  // Starts it again on the same display after kill().
  bool start() { return !display_.empty() && start(display_); }
  std::string log() const { return process_ ? "Xvfb said: " + process_->output() : ""; }

 private:
  // Up once its socket accepts connections; xdpyinfo asks from a process of its own, so that this one
  // holds no connection to the server it may kill.
  bool start(const std::string& display) {
    process_ = std::make_unique<SpawnedProcess>(
        std::vector<std::string>{"Xvfb", display, "-screen", "0", "1280x800x24", "-nolisten", "tcp",
                                 "-noreset"},
        log_);
    const std::string ask = "xdpyinfo -display " + display + " > /dev/null 2>&1";
    return eventually([&] { return process_->exited() || std::system(ask.c_str()) == 0; }, 10) &&
           !process_->exited();
  }

  std::string display_;
  std::string log_;
  std::unique_ptr<SpawnedProcess> process_;
};
