// A program of the system (a server, a tray host) started for one test, its output going to a file the test
// reads, and stopped when the test ends; and the shell commands and polling the tests use with them.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

// Polls `condition` every 10 ms until it holds or `seconds` pass; answers whether it held.
inline bool eventually(const std::function<bool()>& condition, double seconds = 5) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

class SpawnedProcess {
 public:
  // Standard output into the file `output`, and standard error with it or into the file `errors`.
  SpawnedProcess(std::vector<std::string> argv, std::string output, const std::string& errors = "")
      : output_(std::move(output)) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, output_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (errors.empty())
      posix_spawn_file_actions_adddup2(&actions, 1, 2);
    else
      posix_spawn_file_actions_addopen(&actions, 2, errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<char*> args;
    for (auto& a : argv)
      args.push_back(a.data());
    args.push_back(nullptr);
    if (posix_spawnp(&pid_, args[0], &actions, nullptr, args.data(), environ) != 0) pid_ = 0;
    posix_spawn_file_actions_destroy(&actions);
  }
  ~SpawnedProcess() { stop(); }
  SpawnedProcess(const SpawnedProcess&) = delete;
  SpawnedProcess& operator=(const SpawnedProcess&) = delete;

  bool started() const { return pid_ > 0; }
  void signal(int number) const {
    if (pid_ > 0) ::kill(pid_, number);  // never 0: that is the whole process group
  }
  // The exit status once it has ended (128 + the signal's number when a signal ended it), or nothing when it
  // is still running after `seconds`; reaps it.
  std::optional<int> ended(double seconds = 0) {
    int status = 0;
    if (!eventually([&] { return pid_ <= 0 || ::waitpid(pid_, &status, WNOHANG) != 0; }, seconds))
      return std::nullopt;
    pid_ = 0;
    return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status);
  }
  bool exited() { return ended().has_value(); }

  // Ends it (SIGTERM, then SIGKILL after 5 s) and reaps it.
  void stop() {
    signal(SIGTERM);
    if (ended(5)) return;
    signal(SIGKILL);
    ended(30);
  }

  std::string output() const {
    std::ifstream in(output_);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }

 private:
  pid_t pid_ = 0;
  std::string output_;
};

// What a shell command printed on its standard output; `status`, when given, gets its exit status (-1 when it
// did not exit).
inline std::string output(const std::string& command, int* status = nullptr) {
  std::string text;
  FILE* pipe = ::popen(command.c_str(), "r");
  for (int c; pipe && (c = std::fgetc(pipe)) != EOF;)
    text += char(c);
  const int ended = pipe ? ::pclose(pipe) : -1;
  if (status) *status = WIFEXITED(ended) ? WEXITSTATUS(ended) : -1;
  return text;
}
