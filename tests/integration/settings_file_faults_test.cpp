// Both engines' settings files on a disk that fails them: the process killed in the middle of its saves, a
// read-only ~/.config, a full disk. The engines run on the test doubles; the files are real.
#include <gtest/gtest.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <optional>
#include <random>
#include <thread>

#include "common/json_file.h"
#include "support/engine_services.h"
#include "support/fake_audio_output.h"
#include "support/fake_key_capture.h"
#include "support/fake_midi_system.h"
#include "support/fake_workspace.h"
#include "support/recording_key_output.h"
#include "support/temp_folder.h"
#include "support/virtual_loop.h"

namespace {

using nlohmann::json;
using Lines = std::vector<std::string>;

const std::string MK_FILE = ".config/midi-to-mk.json", KS_FILE = ".config/midi-to-keystroke.json";

// Both tables with `rows` rows each, written into `home`.
void writeTables(const TempFolder& home, int rows) {
  json mk = {{"device", "Port 1"}, {"rows", json::array()}}, ks = mk;
  for (int id = 1; id <= rows; ++id) {
    mk["rows"].push_back({{"id", id}, {"from", "cc"}, {"number", id}, {"command", "play"}});
    ks["rows"].push_back({{"id", id}, {"cc", id}, {"kind", "key"}, {"key", "a"}, {"mods", {"cmd"}}});
  }
  home.write(MK_FILE, mk.dump());
  home.write(KS_FILE, ks.dump());
}

// Both files' rows, "<MK rows> <Key Stroke rows> "; "unreadable" for one that does not read as a table.
std::string bothRows(const TempFolder& home) {
  std::string out;
  for (const auto& file : {MK_FILE, KS_FILE}) {
    const auto read = readJsonObject(home.path() + "/" + file);
    const bool table = read.object && read.object->value("rows", json()).is_array();
    out += (table ? std::to_string(read.object->at("rows").size()) : "unreadable") + " ";
  }
  return out;
}

// Both engines started on the test doubles in `home`; each stops as it goes, before the doubles.
struct Engines {
  explicit Engines(const std::string& home)
      : mk(std::make_shared<MKEngine>(mkServicesAt(home, loop, midi, audio, keys, workspace))),
        ks(std::make_shared<KSEngine>(ksServicesAt(home, loop, midi, audio, keys, capture))) {
    mk->start();
    ks->start();
  }
  // One edit of each table, each saved.
  void edit() {
    mk->add();
    ks->add();
  }
  // The trace lines about the files, MK's then Key Stroke's, without their time.
  std::pair<Lines, Lines> fileLines() const {
    std::pair<Lines, Lines> out;
    for (auto [trace, lines] :
         {std::pair<const Trace*, Lines*>{&mk->view().trace, &out.first}, {&ks->view().trace, &out.second}})
      for (const auto& line : trace->lines())
        if (line.find("saved") != std::string::npos || line.find(".broken") != std::string::npos)
          lines->push_back(line.substr(10));
    return out;
  }

  VirtualLoop loop;
  FakeMidiSystem midi{loop};
  FakeAudioOutput audio;
  RecordingKeyOutput keys;
  FakeWorkspace workspace;
  FakeKeyCapture capture;
  std::shared_ptr<MKEngine> mk;
  std::shared_ptr<KSEngine> ks;
};

TEST(SettingsFileFaults, AProcessKilledAtRandomMomentsOfItsSavesNeverLeavesAFileThatDoesNotRead) {
  TempFolder home;
  writeTables(home, 40);
  std::mt19937 random(14);
  // Each round is a fork and a kill; under the sanitizers a round costs ten times as much.
#if defined(__SANITIZE_ADDRESS__)
  constexpr int ROUNDS = 100;
#else
  constexpr int ROUNDS = 1000;
#endif
  for (int round = 0; round < ROUNDS; ++round) {
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      // Reads what the last one left, then saves both tables over and over until it is killed. It says it is
      // ready after its first save, so that the kill falls among saves however slow the build is.
      Engines engines(home.path());
      for (int n = round;; ++n) {
        engines.mk->set(1, "number", n % 100);
        engines.ks->set(1, "number", n % 100);
        if (n == round && ::write(ready[1], "", 1) != 1) ::_exit(1);
      }
    }
    ::close(ready[1]);
    char started = 0;
    const bool up = ::read(ready[0], &started, 1) == 1;
    ::close(ready[0]);
    std::this_thread::sleep_for(std::chrono::microseconds(std::uniform_int_distribution(0, 3000)(random)));
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(up && WIFSIGNALED(status)) << "round " << round << ": the saving child ended by itself";
    ASSERT_EQ(bothRows(home), "40 40 ") << "round " << round << "\n"
                                        << home.read(MK_FILE) << home.read(KS_FILE);
  }
  // What a kill interrupted is not left to pile up beside the settings.
  using Files = std::filesystem::directory_iterator;
  EXPECT_LE(std::distance(Files(home.path() + "/.config"), Files()), 4);
}

// A folder this test alone sees differently, in a mount namespace of its own: root, whom no file permission
// stops, meets a read-only folder or a full disk as a user would. `options` as for mount(8): "ro" binds the
// folder onto itself read-only; "size=..." mounts a small tmpfs over it, which fill() fills. Undone when it
// goes.
struct Mounted {
  Mounted(const std::string& path, const std::string& options) : folder(path) {
    static const bool own =
        ::unshare(CLONE_NEWNS) == 0 && ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
    done =
        own && (options == "ro" ? ::mount(folder.c_str(), folder.c_str(), nullptr, MS_BIND, nullptr) == 0 &&
                                      ::mount(nullptr, folder.c_str(), nullptr,
                                              MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) == 0
                                : ::mount("tmpfs", folder.c_str(), "tmpfs", 0, options.c_str()) == 0);
  }
  ~Mounted() {
    if (done) ::umount2(folder.c_str(), MNT_DETACH);
  }
  void fill() const { std::ofstream(folder + "/filler") << std::string(256 * 1024, 'x'); }
  std::string folder;
  bool done = false;
};

const char* const NO_MOUNT = "a failing folder needs a mount namespace of the test's own (root, as in CI)";

// "not saved: <file> could not be written (<why>); ..." for both files, `times` each.
std::pair<Lines, Lines> notSaved(const std::string& why, std::size_t times) {
  const auto line = [&](const std::string& file) {
    return "not saved: " + file + " could not be written (" + why + "); the table stays as it is in memory";
  };
  return {Lines(times, line("midi-to-mk.json")), Lines(times, line("midi-to-keystroke.json"))};
}

// Said once while the folder refuses every save; a save that works ends that, so the next refusal is said
// again.
TEST(SettingsFileFaults, AReadOnlyConfigKeepsTheTablesInMemoryAndSaysSoOnceAndAgainAfterASaveThatWorked) {
  TempFolder home;
  writeTables(home, 1);
  Engines engines(home.path());
  for (std::size_t round = 1; round <= 2; ++round) {
    SCOPED_TRACE(round);
    auto failing = std::make_optional<Mounted>(home.path() + "/.config", "ro");
    ASSERT_TRUE(failing->done) << NO_MOUNT;
    for (int i = 0; i < 3; ++i)
      engines.edit();
    EXPECT_EQ(engines.fileLines(), notSaved("Read-only file system", round));
    failing.reset();
    engines.edit();  // working again: the whole table is saved, quietly
    const auto rows = std::to_string(1 + 4 * round);
    EXPECT_EQ(bothRows(home), rows + " " + rows + " ");
    EXPECT_EQ(engines.fileLines(), notSaved("Read-only file system", round));
  }
}

// A file that does not read is still kept aside on a full disk, and the line never claims a fresh one. Both
// engines keep their files through the same saves, so MK's file alone stands for both here.
TEST(SettingsFileFaults, OnAFullDiskAnUnreadableFileIsStillKeptAsideAndNoFreshFileIsClaimed) {
  TempFolder home;
  std::filesystem::create_directories(home.path() + "/.config");
  const Mounted full(home.path() + "/.config", "size=64k");
  ASSERT_TRUE(full.done) << NO_MOUNT;
  home.write(MK_FILE, "{ not JSON");
  full.fill();
  Engines engines(home.path());
  engines.edit();
  auto lines = notSaved("No space left on device", 1);
  lines.first.insert(lines.first.begin(),
                     "the settings file did not read as JSON: it is kept as midi-to-mk.json.broken");
  EXPECT_EQ(engines.fileLines(), lines);
  EXPECT_EQ(home.read(MK_FILE + ".broken"), "{ not JSON");
}

}  // namespace
