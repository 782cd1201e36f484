// The built program, started as its user starts it, in a home and a runtime folder of the test's own: its
// settings and the socket that keeps it to one instance per user are the test's alone. Standard output and
// standard error go to files of their own, so that a test can tell what the program prints where. And what
// the black-box tests expect on either MIDI layer: one MK table, what a controller plays into it, and the
// Mackie bytes and trace lines that must come out.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <optional>
#include <regex>
#include <string>
#include <vector>

#include "support/spawned_process.h"
#include "support/temp_folder.h"

// What a command prints on its standard output.
inline std::string output(const std::string& command) {
  std::string text;
  FILE* pipe = ::popen(command.c_str(), "r");
  for (int c; pipe && (c = std::fgetc(pipe)) != EOF;)
    text += char(c);
  if (pipe) ::pclose(pipe);
  return text;
}

class RunningProgram {
 public:
  RunningProgram(const TempFolder& folder, const std::vector<std::string>& options) : folder_(folder) {
    // Without a sound server named by the run, libpulse would otherwise start one of its own.
    folder.write("home/.config/pulse/client.conf", "autospawn = no\n");
    ::mkdir((folder.path() + "/run").c_str(), 0700);
    // This process only runs programs there: it may as well live in the same home.
    ::setenv("HOME", (folder.path() + "/home").c_str(), 1);
    ::setenv("XDG_RUNTIME_DIR", (folder.path() + "/run").c_str(), 1);
    // Beside the test binary when it was copied there (as into the virtual machine), else the build's. The
    // shell only sends its output to the files and becomes the program.
    const auto beside = std::filesystem::read_symlink("/proc/self/exe").parent_path() / "orvane-vuda-verer";
    std::vector<std::string> argv = {
        "sh", "-c",
        "exec \"$0\" \"$@\" > '" + folder.path() + "/program.out' 2> '" + folder.path() + "/program.err'",
        std::filesystem::exists(beside) ? beside.string() : VUDA_PROGRAM};
    argv.insert(argv.end(), options.begin(), options.end());
    std::vector<char*> pointers;
    for (auto& a : argv)
      pointers.push_back(a.data());
    pointers.push_back(nullptr);
    if (posix_spawnp(&pid_, "sh", nullptr, nullptr, pointers.data(), environ) != 0) pid_ = 0;
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
    int status = 0;
    if (!eventually([&] { return pid_ <= 0 || ::waitpid(pid_, &status, WNOHANG) != 0; }, seconds))
      return std::nullopt;
    pid_ = 0;
    return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status);
  }
  std::string out() const { return folder_.read("program.out"); }
  std::string err() const { return folder_.read("program.err"); }

 private:
  const TempFolder& folder_;
  pid_t pid_ = 0;
};

namespace program {

using Messages = std::vector<std::vector<std::uint8_t>>;

// `device` is the controller's port, `daw` the port towards the DAW, on either layer.
inline nlohmann::json table(const std::string& device, const std::string& daw) {
  return {
      {"device", device},
      {"out", daw},
      {"rows",
       {{{"id", 1}, {"from", "cc"}, {"number", 20}, {"command", "bankfirst"}, {"value", 127}},
        {{"id", 2}, {"from", "note"}, {"number", 62}, {"command", "stop"}, {"how", "press"}, {"value", 127}},
        {{"id", 3}, {"from", "note"}, {"number", 64}, {"command", "shift"}, {"how", "hold"}},
        {{"id", 4}, {"from", "note"}, {"number", 65}, {"command", "option"}, {"how", "hold"}}}}};
}

// A button on CC 20 and a pad on note 62, each pressed and released: only the presses match a row.
const Messages PLAYED = {{0xB0, 20, 127}, {0xB0, 20, 0}, {0x90, 62, 127}, {0x80, 62, 0}};
// BANK: THE FIRST TRACKS is SHIFT + BANK LEFT pressed and released; STOP is pressed, and released 30 ms
// later.
const Messages SENT = {{0x90, 0x46, 0x7F}, {0x90, 0x2E, 0x7F}, {0x90, 0x2E, 0x00},
                       {0x90, 0x46, 0x00}, {0x90, 0x5D, 0x7F}, {0x90, 0x5D, 0x00}};
// SHIFT and OPTION held down from the controller, whose notes never end; then what a quit must add.
const Messages HOLD = {{0x90, 64, 127}, {0x90, 65, 127}};
const Messages HELD = {{0x90, 0x46, 0x7F}, {0x90, 0x47, 0x7F}};
const Messages RELEASED = {{0x90, 0x46, 0x00}, {0x90, 0x47, 0x00}};

template <class... More>
Messages then(Messages first, const More&... more) {
  (first.insert(first.end(), more.begin(), more.end()), ...);
  return first;
}

// Whether `out` holds the MK module's trace line "mackie  HH:MM:SS  <text>" (`text` a regular expression).
inline bool traced(const std::string& out, const std::string& text) {
  return std::regex_search(out, std::regex("(^|\n)mackie  \\d\\d:\\d\\d:\\d\\d  " + text + "\n"));
}

}  // namespace program
