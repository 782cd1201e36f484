// Both engines' settings files on a disk that fails them: the process killed in the middle of its saves, a
// read-only ~/.config, a full disk. The engines run on the test doubles; the files are real.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <regex>
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

// Both engines started on the test doubles in `home`.
struct Engines {
  explicit Engines(const std::string& home)
      : mk(std::make_shared<MKEngine>(mkServicesAt(home, loop, midi, audio, keys, workspace))),
        ks(std::make_shared<KSEngine>(ksServicesAt(home, loop, midi, audio, keys, capture))) {
    mk->start();
    ks->start();
  }
  ~Engines() {
    mk->stop();
    ks->stop();
  }
  // One edit of each table, each saved.
  void edit() {
    mk->add();
    ks->add();
  }
  static std::vector<std::string> fileLines(const Trace& trace) {
    std::vector<std::string> out;
    for (const auto& line : trace.lines())
      if (line.find("not saved") != std::string::npos || line.find("settings file") != std::string::npos)
        out.push_back(line.substr(10));
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

// Both files' rows, "MK rows, Key Stroke rows"; "unreadable" for one that does not read as a table.
std::string bothRows(const TempFolder& home) {
  std::string out;
  for (const auto& file : {MK_FILE, KS_FILE}) {
    const auto read = readJsonObject(home.path() + "/" + file);
    const bool table = read.object && read.object->contains("rows") && read.object->at("rows").is_array();
    out +=
        (out.empty() ? "" : ", ") + (table ? std::to_string(read.object->at("rows").size()) : "unreadable");
  }
  return out;
}

TEST(SettingsFileFaults, AProcessKilledAtRandomMomentsOfItsSavesNeverLeavesAFileThatDoesNotRead) {
  TempFolder home;
  writeTables(home, 40);
  std::mt19937 random(14);
  for (int round = 0; round < 1000; ++round) {
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
        const char one = 1;
        if (n == round && ::write(ready[1], &one, 1) != 1) ::_exit(1);
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
    ASSERT_EQ(bothRows(home), "40, 40") << "round " << round << "\n"
                                        << home.read(MK_FILE) << "\n"
                                        << home.read(KS_FILE);
  }
  // What a kill interrupted is not left to pile up beside the settings.
  std::vector<std::string> left;
  for (const auto& entry : std::filesystem::directory_iterator(home.path() + "/.config"))
    left.push_back(entry.path().filename().string());
  EXPECT_LE(left.size(), 4u) << left.size() << " files, among them " << left.back();
}

// A folder this test alone sees differently, in a mount namespace of its own: root, whom no file permission
// stops, meets a read-only folder or a full disk as a user would. Undone when it goes.
class Mounted {
 public:
  // `options` as for mount(8): "ro" binds the folder onto itself read-only; "size=..." mounts a small tmpfs.
  Mounted(const std::string& folder, const std::string& options) : folder_(folder) {
    static const bool own =
        ::unshare(CLONE_NEWNS) == 0 && ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
    if (!own) return;
    if (options == "ro")
      done_ = ::mount(folder.c_str(), folder.c_str(), nullptr, MS_BIND, nullptr) == 0 &&
              ::mount(nullptr, folder.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) == 0;
    else
      done_ = ::mount("tmpfs", folder.c_str(), "tmpfs", 0, options.c_str()) == 0;
  }
  ~Mounted() {
    if (done_) ::umount2(folder_.c_str(), MNT_DETACH);
  }
  bool done() const { return done_; }

 private:
  std::string folder_;
  bool done_ = false;
};

TEST(SettingsFileFaults, AReadOnlyConfigFolderKeepsTheTablesInMemoryAndSaysSoOnceUntilASaveWorksAgain) {
  TempFolder home;
  writeTables(home, 1);
  Engines engines(home.path());
  const std::string mkLine =
      "not saved: midi-to-mk.json could not be written (Read-only file system); the table stays as it is in "
      "memory";
  const std::string ksLine = std::regex_replace(mkLine, std::regex("midi-to-mk"), "midi-to-keystroke");
  {
    const Mounted readOnly(home.path() + "/.config", "ro");
    if (!readOnly.done())
      GTEST_SKIP() << "a read-only folder needs a mount namespace of the test's own (root)";
    for (int i = 0; i < 3; ++i)
      engines.edit();
    EXPECT_EQ(Engines::fileLines(engines.mk->trace), std::vector{mkLine});
    EXPECT_EQ(Engines::fileLines(engines.ks->trace), std::vector{ksLine});
    EXPECT_EQ(engines.mk->rows.size(), 4u);
    EXPECT_EQ(engines.ks->rows.size(), 4u);
  }
  EXPECT_EQ(bothRows(home), "1, 1");

  // Writable again: the next edit saves the whole table, quietly.
  engines.edit();
  EXPECT_EQ(bothRows(home), "5, 5");
  EXPECT_EQ(Engines::fileLines(engines.mk->trace).size(), 1u);

  // Failing anew after a save that worked is said anew.
  const Mounted again(home.path() + "/.config", "ro");
  engines.edit();
  engines.edit();
  EXPECT_EQ(Engines::fileLines(engines.mk->trace), (std::vector{mkLine, mkLine}));
  EXPECT_EQ(Engines::fileLines(engines.ks->trace), (std::vector{ksLine, ksLine}));
}

// On a full disk a settings file that did not read is still kept aside (a rename needs no room), but no line
// claims the fresh file that could not be written.
TEST(SettingsFileFaults, AFullDiskKeepsTheTablesInMemoryAndNeverClaimsASaveThatDidNotHappen) {
  TempFolder home;
  std::filesystem::create_directories(home.path() + "/.config");
  const Mounted small(home.path() + "/.config", "size=64k");
  if (!small.done()) GTEST_SKIP() << "a full disk needs a mount namespace of the test's own (root)";
  writeTables(home, 1);
  home.write(MK_FILE, "{\"rows\": [");
  home.write(".config/filler", std::string(64 * 1024, 'x'));  // as much as fits
  Engines engines(home.path());
  engines.edit();
  engines.edit();

  const std::string full =
      " could not be written (No space left on device); the table stays as it is in memory";
  EXPECT_EQ(Engines::fileLines(engines.mk->trace),
            (std::vector<std::string>{
                "the settings file did not read as JSON: it is kept as midi-to-mk.json.broken",
                "not saved: midi-to-mk.json" + full}));
  EXPECT_EQ(Engines::fileLines(engines.ks->trace), std::vector{"not saved: midi-to-keystroke.json" + full});
  EXPECT_EQ(engines.mk->rows.size(), 2u);
  EXPECT_EQ(engines.ks->rows.size(), 3u);
  EXPECT_EQ(home.read(MK_FILE + ".broken"), "{\"rows\": [");
  EXPECT_EQ(bothRows(home), "unreadable, 1");

  // Room again: the first save that works writes the whole table.
  std::filesystem::remove(home.path() + "/.config/filler");
  engines.edit();
  EXPECT_EQ(bothRows(home), "3, 4");
}

}  // namespace
