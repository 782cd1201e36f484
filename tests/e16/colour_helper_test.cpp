// Tests for the colour helpers: both real scripts run by the real python3 on scene files written here, the
// helper paths, the cleaning of what a helper prints, and the time limit.
#include "e16/colour_helper.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <vector>

#include "support/temp_folder.h"

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

std::set<std::string> entries(const TempFolder& folder) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder.path()))
    names.insert(entry.path().filename().string());
  return names;
}

// Writes the scene dated an hour back, so a rewrite shows as a new time without waiting for the clock.
fs::file_time_type writeBackdated(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
  fs::last_write_time(path, fs::last_write_time(path) - std::chrono::hours(1));
  return fs::last_write_time(path);
}

// A refusal is one sentence starting in lower case, with a non-zero exit.
void expectOneSentence(const ProcessResult& r, const std::string& fragment, const std::string& label) {
  SCOPED_TRACE(label + ": " + r.output);
  EXPECT_TRUE(r.started);
  EXPECT_NE(r.status, 0);
  EXPECT_NE(r.output.find(fragment), std::string::npos);
  EXPECT_EQ(r.output.find('\n'), std::string::npos);
  EXPECT_TRUE(!r.output.empty() && r.output[0] >= 'a' && r.output[0] <= 'z');
}

class ColourScript : public ::testing::TestWithParam<const char*> {
 protected:
  std::string script() const { return HELPERS + "/" + GetParam(); }
  TempFolder folder;
  std::string scene = folder.path() + "/live.oxie16";
};

TEST_P(ColourScript, SuccessSetsTheColourKeepsEverythingElseAndPrintsThePreviousColour) {
  const struct {
    int page, knob, colour;
    const char* printed;
  } cases[] = {
      {1, 1, 42, "5"}, {1, 2, 7, "0"}, {2, 2, 0, "\"red\""}, {2, 3, 99, "2.5"}, {2, 4, 1, "null"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("page " + std::to_string(c.page) + " knob " + std::to_string(c.knob));
    const auto before = writeBackdated(scene, SCENE);
    fs::permissions(scene, fs::perms(0640));

    const ProcessResult r = runColourHelper(script(), scene, c.page, c.knob, c.colour);
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(r.output, c.printed);

    nlohmann::ordered_json expected = nlohmann::ordered_json::parse(SCENE);
    expected["pages"][c.page - 1]["encoders"][c.knob - 1]["color"] = c.colour;
    const std::string written = folder.read("live.oxie16");
    EXPECT_EQ(nlohmann::ordered_json::parse(written, nullptr, false).dump(), expected.dump());
    EXPECT_NE(written.find("Küche ♫"), std::string::npos) << "non-ASCII text was escaped";
    EXPECT_NE(fs::last_write_time(scene), before);
    EXPECT_EQ(fs::status(scene).permissions(), fs::perms(0640));
    EXPECT_EQ(entries(folder), std::set<std::string>{"live.oxie16"});
  }
}

TEST_P(ColourScript, EveryRefusalIsOneSentenceAndLeavesTheSceneUntouched) {
  const struct {
    const char* name;
    std::vector<std::string> args;  // after the scene path
    std::string says;
    std::string content = SCENE;
  } cases[] = {
      {"too few arguments", {"1", "1"}, "4 arguments"},
      {"a word for a page", {"x", "1", "1"}, "page"},
      {"a sign before a knob", {"1", "+1", "1"}, "knob"},
      {"a fractional colour", {"1", "1", "1.5"}, "colour"},
      {"colour above 99", {"1", "1", "100"}, "colour 100"},
      {"page past the end", {"3", "1", "1"}, "page 3 is not in the scene: it has 2 pages"},
      {"page 0", {"0", "1", "1"}, "page 0"},
      {"knob past the end", {"1", "3", "1"}, "knob 3 is not on page 1: it has 2 knobs"},
      {"invalid JSON", {"1", "1", "1"}, "JSON", "{\"pages\": ["},
      {"not UTF-8", {"1", "1", "1"}, "UTF-8", "{\"name\": \"\xff\"}"},
      {"top level a list", {"1", "1", "1"}, "object", "[]"},
      {"no pages", {"1", "1", "1"}, "pages", "{}"},
      {"encoders not a list", {"1", "1", "1"}, "encoders", R"({"pages": [{"encoders": 3}]})"},
      {"a knob not an object", {"1", "1", "1"}, "knob 2", R"({"pages": [{"encoders": [{}, []]}]})"},
      {"a repeated key", {"1", "1", "1"}, "twice", R"({"pages": [{"encoders": [{}]}], "pages": []})"},
  };
  for (const auto& c : cases) {
    const auto before = writeBackdated(scene, c.content);
    std::vector<std::string> args = {script(), scene};
    args.insert(args.end(), c.args.begin(), c.args.end());
    ProcessResult r = runProcess("/usr/bin/python3", args, HELPER_TIMEOUT);
    r.output = helperText(r.output);

    expectOneSentence(r, c.says, c.name);
    EXPECT_EQ(folder.read("live.oxie16"), c.content) << c.name;
    EXPECT_EQ(fs::last_write_time(scene), before) << c.name;
    EXPECT_EQ(entries(folder), std::set<std::string>{"live.oxie16"}) << c.name;
  }
}

TEST_P(ColourScript, AMissingSceneIsRefusedAndNothingIsCreated) {
  expectOneSentence(runColourHelper(script(), scene, 1, 1, 1), "No such file", "missing scene");
  EXPECT_TRUE(entries(folder).empty());
}

TEST_P(ColourScript, ASymlinkedSceneKeepsItsLinkAndTheTargetChanges) {
  fs::create_symlink(folder.write("real.oxie16", SCENE), scene);
  EXPECT_EQ(runColourHelper(script(), scene, 1, 1, 8).output, "5");
  EXPECT_TRUE(fs::is_symlink(scene));
  EXPECT_EQ(nlohmann::json::parse(folder.read("real.oxie16"))["pages"][0]["encoders"][0]["color"], 8);
}

INSTANTIATE_TEST_SUITE_P(BothModules, ColourScript,
                         ::testing::Values("e16colour.py", "midikeys_e16colour.py"));

TEST(ColourHelper, TheKeyStrokeScriptWithoutItsCompanionSaysSoAndChangesNothing) {
  TempFolder folder;
  const std::string lone = folder.path() + "/midikeys_e16colour.py";
  fs::copy_file(HELPERS + "/midikeys_e16colour.py", lone);
  expectOneSentence(runColourHelper(lone, folder.write("live.oxie16", SCENE), 1, 1, 1), "e16colour.py",
                    "lone script");
  EXPECT_EQ(folder.read("live.oxie16"), SCENE);
  EXPECT_EQ(entries(folder), (std::set<std::string>{"live.oxie16", "midikeys_e16colour.py"}));
}

TEST(ColourHelper, AHelperThatHangsIsStoppedAtTheTimeLimit) {
  TempFolder folder;
  const auto script = folder.write("hang.py", "import time\ntime.sleep(30)\n");
  const ProcessResult r = runColourHelper(script, folder.path() + "/live.oxie16", 1, 1, 1, 0.3);
  EXPECT_TRUE(r.timedOut);
  EXPECT_EQ(r.error, HELPER_TIMED_OUT);
}

TEST(ColourHelper, HelperPathsPreferTheShippedKeyStrokeScript) {
  EXPECT_EQ(mkHelperPath("/home/u"), "/home/u/.local/lib/orvane/e16colour.py");
  TempFolder prefix;
  const std::string bin = prefix.path() + "/bin";
  const std::string shipped = "share/orvane-vuda-verer/helpers/midikeys_e16colour.py";
  const std::string fallback = "/home/u/Developer/ORVANE_VUDA_VERER/helpers/midikeys_e16colour.py";
  fs::create_directories(bin);
  EXPECT_EQ(ksHelperPath(bin, "/home/u"), fallback);
  fs::create_directories(prefix.path() + "/" + shipped);
  EXPECT_EQ(ksHelperPath(bin, "/home/u"), fallback) << "a folder of that name is not the script";
  fs::remove(prefix.path() + "/" + shipped);
  prefix.write(shipped, "");
  EXPECT_EQ(ksHelperPath(bin, "/home/u"), bin + "/../" + shipped);
}

TEST(ColourHelper, HelperTextIsValidUtf8TrimmedOnlyAtItsEnds) {
  const struct {
    std::string raw, text;
  } cases[] = {
      {"7\n", "7"},
      {" \t\r\n page 3\r\nsecond line \n\n", "page 3\r\nsecond line"},
      {"Küche ♫ 😀", "Küche ♫ 😀"},
      {"a\377b", "a\uFFFDb"},
      {"end \342\202", "end \uFFFD"},                    // a cut-off sequence is one replacement
      {"\300\257", "\uFFFD\uFFFD"},                      // overlong
      {"\355\240\200", "\uFFFD\uFFFD\uFFFD"},            // a surrogate
      {"\364\220\200\200", "\uFFFD\uFFFD\uFFFD\uFFFD"},  // above U+10FFFF
      {"\342\202x", "\uFFFDx"},
      {"\302\200\340\240\200\360\200\200\200",
       "\u0080\u0800\uFFFD\uFFFD\uFFFD\uFFFD"},  // the edges of each length
      {"  \n", ""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(helperText(c.raw), c.text) << c.raw;
}

}  // namespace
