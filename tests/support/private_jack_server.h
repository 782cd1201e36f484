// A JACK server of the test's own (dummy driver), so that no other test's peers, which may have the same
// port names, can answer in its place; programs the test starts afterwards use it.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>

#include "support/spawned_process.h"
#include "support/temp_folder.h"

// JACK keeps a per-user registry with room for eight servers, and jackd sometimes dies of SIGPIPE when a
// client hangs up while it shuts down, leaving its entry behind. JACK frees a dead entry only for a server of
// the same name, so a name that changed with every run would fill the registry for good after a few runs.
// The name is therefore the same on every run of a test; another run of the same test at the same time has
// the name taken (jackd then ends at once), and the next of a few spare names is tried.
class PrivateJackServer {
 public:
  explicit PrivateJackServer(const TempFolder& folder) : log_(folder.path() + "/jackd.log") {
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::string id = test != nullptr ? std::string(test->test_suite_name()) + "." + test->name() : "";
    char stem[32];
    std::snprintf(stem, sizeof stem, "vuda-test-%016zx", std::hash<std::string>{}(id));
    for (int spare = 1; spare <= 4 && name_.empty(); ++spare) {
      const std::string name = std::string(stem) + "-" + std::to_string(spare);
      if (start(name)) name_ = name;
    }
    setenv("JACK_DEFAULT_SERVER", name_.c_str(), 1);
    setenv("JACK_NO_START_SERVER", "1", 1);
  }

  // Empty when no server could be started; log() says why.
  const std::string& name() const { return name_; }
  // Up when jack_lsp gets an answer from it.
  bool answers() const { return answers(name_); }
  // Starts it again under its name after kill().
  bool start() { return !name_.empty() && start(name_); }
  void kill() { process_.reset(); }
  // What jackd printed last, for a failure message.
  std::string log() const { return process_ ? "jackd said: " + process_->output() : ""; }

 private:
  static bool answers(const std::string& name) {
    return !name.empty() && std::system(("jack_lsp -s " + name + " > /dev/null 2>&1").c_str()) == 0;
  }
  bool start(const std::string& name) {
    process_ = std::make_unique<SpawnedProcess>(
        std::vector<std::string>{"jackd", "-n", name, "-r", "-d", "dummy", "-r", "48000", "-p", "256"}, log_);
    return eventually([&] { return process_->exited() || answers(name); }, 10) && !process_->exited();
  }

  std::string name_;
  std::string log_;
  std::unique_ptr<SpawnedProcess> process_;
};
