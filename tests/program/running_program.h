// The built program, started as its user starts it, in a home and a runtime folder of the test's own: its
// settings and the socket that keeps it to one instance per user are the test's alone. Standard output and
// standard error go to files of their own, so that a test can tell what the program prints where. And what
// the black-box tests expect on either MIDI layer: one MK table, what a controller plays into it, and the
// Mackie bytes and trace lines that must come out.
#pragma once

#include <sys/stat.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <regex>
#include <string>
#include <vector>

#include "support/spawned_process.h"
#include "support/temp_folder.h"

class RunningProgram : public SpawnedProcess {
 public:
  RunningProgram(const TempFolder& folder, const std::vector<std::string>& options)
      : SpawnedProcess(command(folder, options), folder.path() + "/program.out",
                       folder.path() + "/program.err"),
        folder_(folder) {}
  ~RunningProgram() { signal(SIGKILL); }

  std::string out() const { return folder_.read("program.out"); }
  std::string err() const { return folder_.read("program.err"); }

 private:
  static std::vector<std::string> command(const TempFolder& folder, const std::vector<std::string>& options) {
    // Without a sound server named by the run, libpulse would otherwise start one of its own.
    folder.write("home/.config/pulse/client.conf", "autospawn = no\n");
    ::mkdir((folder.path() + "/run").c_str(), 0700);
    // This process only runs programs there: it may as well live in the same home.
    ::setenv("HOME", (folder.path() + "/home").c_str(), 1);
    ::setenv("XDG_RUNTIME_DIR", (folder.path() + "/run").c_str(), 1);
    // Beside the test binary when it was copied there (as into the virtual machine), else the build's.
    const auto beside = std::filesystem::read_symlink("/proc/self/exe").parent_path() / "orvane-vuda-verer";
    std::vector<std::string> argv = {std::filesystem::exists(beside) ? beside.string() : VUDA_PROGRAM};
    argv.insert(argv.end(), options.begin(), options.end());
    return argv;
  }

  const TempFolder& folder_;
};

namespace program {

using Messages = std::vector<std::vector<std::uint8_t>>;

// `device` is the controller's port, `daw` the port towards the DAW, on either layer.
inline nlohmann::json table(const std::string& device, const std::string& daw) {
  return {{"device", device},
          {"out", daw},
          {"rows",
           {{{"id", 1}, {"from", "note"}, {"number", 64}, {"command", "shift"}, {"how", "hold"}},
            {{"id", 2}, {"from", "note"}, {"number", 65}, {"command", "option"}, {"how", "hold"}},
            {{"id", 3}, {"from", "cc"}, {"number", 21}, {"command", "fader1"}}}}};
}

// What the fader row sends for a CC value: the 7-bit value spread over the pitch bend's 14 bits.
inline std::vector<std::uint8_t> bendFor(int value) {
  const auto scaled = static_cast<int>(std::floor(value * 16383.0 / 127.0 + 0.5));
  return {0xE0, static_cast<std::uint8_t>(scaled % 128), static_cast<std::uint8_t>(scaled / 128)};
}

// SHIFT and OPTION held down from the controller, whose notes never end; then what a quit must add.
const Messages HOLD = {{0x90, 64, 127}, {0x90, 65, 127}};
const Messages HELD = {{0x90, 0x46, 0x7F}, {0x90, 0x47, 0x7F}};
const Messages HELD_THEN_RELEASED = {HELD[0], HELD[1], {0x90, 0x46, 0x00}, {0x90, 0x47, 0x00}};

// Whether `out` holds the MK module's trace line "mackie  HH:MM:SS  <text>" (`text` a regular expression).
inline bool traced(const std::string& out, const std::string& text) {
  return std::regex_search(out, std::regex("(^|\n)mackie  \\d\\d:\\d\\d:\\d\\d  " + text + "\n"));
}

}  // namespace program
