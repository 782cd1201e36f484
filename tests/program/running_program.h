// The built program, started as its user starts it, in a home and a runtime folder of the test's own: its
// settings and the socket that keeps it to one instance per user are the test's alone. Standard output and
// standard error go to files of their own, so that a test can tell what the program prints where.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "support/temp_folder.h"

extern char** environ;

// What a command prints on its standard output.
inline std::string output(const std::string& command) {
  std::string text;
  if (FILE* pipe = ::popen(command.c_str(), "r")) {
    char chunk[4096];
    for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0;)
      text.append(chunk, n);
    ::pclose(pipe);
  }
  return text;
}

// Beside the test binary when it was copied there (as into the virtual machine), else the build's.
inline std::string programPath() {
  const auto beside = std::filesystem::read_symlink("/proc/self/exe").parent_path() / "orvane-vuda-verer";
  return std::filesystem::exists(beside) ? beside.string() : std::string(VUDA_PROGRAM);
}

class RunningProgram {
 public:
  RunningProgram(const TempFolder& folder, const std::vector<std::string>& options)
      : out_(folder.path() + "/program.out"), err_(folder.path() + "/program.err") {
    const std::string home = folder.path() + "/home", run = folder.path() + "/run";
    // Without a sound server named by the run, libpulse would otherwise start one of its own.
    folder.write("home/.config/pulse/client.conf", "autospawn = no\n");
    ::mkdir(run.c_str(), 0700);
    std::vector<std::string> environment = {"HOME=" + home, "XDG_RUNTIME_DIR=" + run};
    for (char** e = environ; *e != nullptr; ++e) {
      const std::string entry = *e;
      if (entry.rfind("HOME=", 0) != 0 && entry.rfind("XDG_RUNTIME_DIR=", 0) != 0)
        environment.push_back(entry);
    }
    std::vector<std::string> argv = {programPath()};
    argv.insert(argv.end(), options.begin(), options.end());
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, err_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (posix_spawn(&pid_, argv[0].c_str(), &actions, nullptr, pointers(argv).data(),
                    pointers(environment).data()) != 0)
      pid_ = 0;
    posix_spawn_file_actions_destroy(&actions);
  }
  ~RunningProgram() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }
  RunningProgram(const RunningProgram&) = delete;
  RunningProgram& operator=(const RunningProgram&) = delete;

  bool started() const { return pid_ > 0; }
  void signal(int number) const { ::kill(pid_, number); }
  // The exit status once it has ended (128 + the signal's number when a signal ended it), or nothing when it
  // is still running after `seconds`.
  std::optional<int> ended(double seconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    int status = 0;
    while (pid_ > 0 && ::waitpid(pid_, &status, WNOHANG) == 0) {
      if (std::chrono::steady_clock::now() > deadline) return std::nullopt;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    pid_ = 0;
    return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status);
  }
  std::string out() const { return read(out_); }
  std::string err() const { return read(err_); }

 private:
  static std::vector<char*> pointers(std::vector<std::string>& strings) {
    std::vector<char*> out;
    for (auto& s : strings)
      out.push_back(s.data());
    out.push_back(nullptr);
    return out;
  }
  static std::string read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }

  pid_t pid_ = 0;
  std::string out_, err_;
};
