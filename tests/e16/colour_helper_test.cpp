// Tests for the colour helpers: both real scripts run by the real python3 on scene files written here, the
// helper paths, the cleaning of what a helper prints, and the time limit.
#include "e16/colour_helper.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const std::string HELPERS = HELPERS_DIR;

// Key order and non-ASCII text are part of what must survive, hence the ordered form.
constexpr const char* SCENE = R"({
  "name": "Küche ♫",
  "version": 3,
  "pages": [
    {"name": "one", "encoders": [{"color": 5, "label": "Vol"}, {"label": "Pan"}]},
    {"name": "two", "encoders": [{"color": 9}, {"color": "red"}, {"color": 2.5}, {"color": null}]}
  ],
  "zeta": [1, 2]
}
)";

struct TempFolder {
  std::string path;
  TempFolder() {
    std::string name = (fs::temp_directory_path() / "vuda-colour-XXXXXX").string();
    if (mkdtemp(name.data())) path = name;
  }
  ~TempFolder() {
    std::error_code ignored;
    fs::remove_all(path, ignored);
  }
  std::set<std::string> entries() const {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(path))
      names.insert(entry.path().filename().string());
    return names;
  }
};

void writeFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string readFile(const std::string& path) {
  std::ostringstream bytes;
  bytes << std::ifstream(path, std::ios::binary).rdbuf();
  return bytes.str();
}

// Far in the past, so a rewrite shows as a new time without waiting for the clock to move.
void backdate(const std::string& path) {
  const timespec times[2] = {{1'000'000'000, 0}, {1'000'000'000, 0}};
  utimensat(AT_FDCWD, path.c_str(), times, 0);
}

struct Stamp {
  long long seconds, nanoseconds;
  unsigned mode;
  bool operator==(const Stamp&) const = default;
};

Stamp stampOf(const std::string& path) {
  struct stat info {};
  stat(path.c_str(), &info);
  return {info.st_mtim.tv_sec, info.st_mtim.tv_nsec, info.st_mode & 07777u};
}

ProcessResult runScript(const std::string& script, const std::vector<std::string>& args) {
  std::vector<std::string> all = {script};
  all.insert(all.end(), args.begin(), args.end());
  ProcessResult result = runProcess("/usr/bin/python3", all, HELPER_TIMEOUT);
  result.output = helperText(result.output);
  return result;
}

// A refusal is one sentence starting in lower case, with a non-zero exit.
void expectOneSentence(const ProcessResult& r, const std::string& fragment, const std::string& label) {
  EXPECT_TRUE(r.started) << label;
  EXPECT_NE(r.status, 0) << label;
  EXPECT_NE(r.output.find(fragment), std::string::npos) << label << ": " << r.output;
  EXPECT_EQ(r.output.find('\n'), std::string::npos) << label << ": " << r.output;
  EXPECT_TRUE(!r.output.empty() && r.output[0] >= 'a' && r.output[0] <= 'z') << label << ": " << r.output;
}

class ColourScript : public ::testing::TestWithParam<const char*> {
 protected:
  std::string script() const { return HELPERS + "/" + GetParam(); }
  TempFolder folder;
  std::string scene = folder.path + "/live.oxie16";
};

TEST_P(ColourScript, SuccessSetsTheColourKeepsEverythingElseAndPrintsThePreviousColour) {
  const struct {
    int page, knob, colour;
    const char* printed;
  } cases[] = {
      {1, 1, 42, "5"}, {1, 2, 7, "0"}, {2, 2, 0, "\"red\""}, {2, 3, 99, "2.5"}, {2, 4, 1, "null"},
  };
  for (const auto& c : cases) {
    const std::string label = "page " + std::to_string(c.page) + " knob " + std::to_string(c.knob);
    writeFile(scene, SCENE);
    chmod(scene.c_str(), 0640);
    backdate(scene);
    const Stamp before = stampOf(scene);

    const ProcessResult r = runColourHelper(script(), scene, c.page, c.knob, c.colour);
    EXPECT_EQ(r.status, 0) << label << ": " << r.output;
    EXPECT_EQ(r.output, c.printed) << label;

    nlohmann::ordered_json expected = nlohmann::ordered_json::parse(SCENE);
    expected["pages"][c.page - 1]["encoders"][c.knob - 1]["color"] = c.colour;
    const std::string written = readFile(scene);
    EXPECT_EQ(nlohmann::ordered_json::parse(written, nullptr, false).dump(), expected.dump()) << label;
    EXPECT_NE(written.find("Küche ♫"), std::string::npos) << label << ": non-ASCII text was escaped";

    const Stamp after = stampOf(scene);
    EXPECT_NE(after.seconds, before.seconds) << label;
    EXPECT_EQ(after.mode, 0640u) << label;
    EXPECT_EQ(folder.entries(), std::set<std::string>{"live.oxie16"}) << label;
  }
}

TEST_P(ColourScript, EveryRefusalIsOneSentenceAndLeavesTheSceneUntouched) {
  const std::string valid = SCENE;
  const struct {
    const char* name;
    std::vector<std::string> args;  // after the scene path
    std::string content;
    std::string says;
  } cases[] = {
      {"too few arguments", {"1", "1"}, valid, "4 arguments"},
      {"too many arguments", {"1", "1", "1", "1"}, valid, "4 arguments"},
      {"a word for a page", {"x", "1", "1"}, valid, "page"},
      {"a sign before a knob", {"1", "+1", "1"}, valid, "knob"},
      {"a hexadecimal colour", {"1", "1", "0x10"}, valid, "colour"},
      {"a fractional colour", {"1", "1", "1.5"}, valid, "colour"},
      {"colour above 99", {"1", "1", "100"}, valid, "colour 100"},
      {"colour below 0", {"1", "1", "-1"}, valid, "colour -1"},
      {"page past the end", {"3", "1", "1"}, valid, "page 3 is not in the scene: it has 2 pages"},
      {"page 0", {"0", "1", "1"}, valid, "page 0"},
      {"knob past the end", {"1", "3", "1"}, valid, "knob 3 is not on page 1: it has 2 knobs"},
      {"knob 0", {"2", "0", "1"}, valid, "knob 0"},
      {"invalid JSON", {"1", "1", "1"}, "{\"pages\": [", "JSON"},
      {"not UTF-8", {"1", "1", "1"}, "{\"name\": \"\xff\"}", "UTF-8"},
      {"top level a list", {"1", "1", "1"}, "[]", "object"},
      {"no pages", {"1", "1", "1"}, "{}", "pages"},
      {"pages not a list", {"1", "1", "1"}, R"({"pages": {}})", "pages"},
      {"a page not an object", {"1", "1", "1"}, R"({"pages": [{"encoders": [{}]}, 7]})", "page 2"},
      {"no encoders", {"1", "1", "1"}, R"({"pages": [{}]})", "encoders"},
      {"encoders not a list", {"1", "1", "1"}, R"({"pages": [{"encoders": 3}]})", "encoders"},
      {"a knob not an object", {"1", "1", "1"}, R"({"pages": [{"encoders": [{}, []]}]})", "knob 2"},
      {"a repeated key", {"1", "1", "1"}, R"({"pages": [{"encoders": [{}]}], "pages": []})", "twice"},
  };
  for (const auto& c : cases) {
    writeFile(scene, c.content);
    backdate(scene);
    const Stamp before = stampOf(scene);
    std::vector<std::string> args = {scene};
    args.insert(args.end(), c.args.begin(), c.args.end());

    expectOneSentence(runScript(script(), args), c.says, c.name);
    EXPECT_EQ(readFile(scene), c.content) << c.name;
    EXPECT_EQ(stampOf(scene), before) << c.name;
    EXPECT_EQ(folder.entries(), std::set<std::string>{"live.oxie16"}) << c.name;
  }
}

TEST_P(ColourScript, AMissingSceneIsRefusedAndNothingIsCreated) {
  expectOneSentence(runColourHelper(script(), scene, 1, 1, 1), "No such file", "missing scene");
  EXPECT_TRUE(folder.entries().empty());
}

TEST_P(ColourScript, ASymlinkedSceneKeepsItsLinkAndTheTargetChanges) {
  const std::string target = folder.path + "/real.oxie16";
  writeFile(target, SCENE);
  fs::create_symlink(target, scene);
  EXPECT_EQ(runColourHelper(script(), scene, 1, 1, 8).output, "5");
  EXPECT_TRUE(fs::is_symlink(scene));
  EXPECT_EQ(nlohmann::json::parse(readFile(target))["pages"][0]["encoders"][0]["color"], 8);
}

INSTANTIATE_TEST_SUITE_P(BothModules, ColourScript,
                         ::testing::Values("e16colour.py", "midikeys_e16colour.py"));

TEST(ColourHelper, TheKeyStrokeScriptWithoutItsCompanionSaysSoAndChangesNothing) {
  TempFolder folder;
  const std::string lone = folder.path + "/midikeys_e16colour.py";
  const std::string scene = folder.path + "/live.oxie16";
  fs::copy_file(HELPERS + "/midikeys_e16colour.py", lone);
  writeFile(scene, SCENE);
  expectOneSentence(runColourHelper(lone, scene, 1, 1, 1), "e16colour.py", "lone script");
  EXPECT_EQ(readFile(scene), SCENE);
  EXPECT_EQ(folder.entries(), (std::set<std::string>{"live.oxie16", "midikeys_e16colour.py"}));
}

TEST(ColourHelper, AHelperThatHangsIsStoppedAtTheTimeLimit) {
  TempFolder folder;
  const std::string script = folder.path + "/hang.py";
  writeFile(script, "import time\ntime.sleep(30)\n");
  const ProcessResult r = runColourHelper(script, folder.path + "/live.oxie16", 1, 1, 1, 0.3);
  EXPECT_TRUE(r.timedOut);
  EXPECT_EQ(r.error, HELPER_TIMED_OUT);
}

TEST(ColourHelper, HelperPathsPreferTheShippedKeyStrokeScript) {
  EXPECT_EQ(mkHelperPath("/home/u"), "/home/u/.local/lib/orvane/e16colour.py");

  TempFolder prefix;
  const std::string bin = prefix.path + "/bin";
  const std::string fallback = "/home/u/Developer/ORVANE_VUDA_VERER/helpers/midikeys_e16colour.py";
  fs::create_directories(bin);
  EXPECT_EQ(ksHelperPath(bin, "/home/u"), fallback);

  fs::create_directories(prefix.path + "/share/orvane-vuda-verer/helpers/midikeys_e16colour.py");
  EXPECT_EQ(ksHelperPath(bin, "/home/u"), fallback) << "a folder of that name is not the script";

  fs::remove(prefix.path + "/share/orvane-vuda-verer/helpers/midikeys_e16colour.py");
  writeFile(prefix.path + "/share/orvane-vuda-verer/helpers/midikeys_e16colour.py", "");
  EXPECT_EQ(ksHelperPath(bin, "/home/u"), bin + "/../share/orvane-vuda-verer/helpers/midikeys_e16colour.py");
}

TEST(ColourHelper, HelperTextIsValidUtf8TrimmedOnlyAtItsEnds) {
  const struct {
    std::string raw, text;
  } cases[] = {
      {"7\n", "7"},
      {" \t\r\n page 3\r\nsecond line \n\n", "page 3\r\nsecond line"},
      {"Küche ♫ 😀", "Küche ♫ 😀"},
      {"a\xff"
       "b",
       "a\uFFFDb"},
      {"end \xE2\x82", "end \uFFFD"},                    // a cut-off sequence is one replacement
      {"\xC0\xAF", "\uFFFD\uFFFD"},                      // overlong
      {"\xED\xA0\x80", "\uFFFD\uFFFD\uFFFD"},            // a surrogate
      {"\xF4\x90\x80\x80", "\uFFFD\uFFFD\uFFFD\uFFFD"},  // above U+10FFFF
      {"\xE2\x82"
       "x",
       "\uFFFDx"},
      {"  \n", ""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(helperText(c.raw), c.text) << c.raw;
}

}  // namespace
