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
  "pages": [
    {"name": "one", "encoders": [{"color": 5, "label": "Vol"}, {"label": "Pan"}]},
    {"name": "two", "encoders": [{"color": "red"}]}
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

// A refusal is one sentence starting in lower case, with a non-zero exit.
void expectOneSentence(const ProcessResult& r, const std::string& fragment) {
  SCOPED_TRACE(r.output);
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
  } cases[] = {{1, 1, 42, "5"}, {1, 2, 7, "0"}, {2, 1, 0, "\"red\""}};
  for (const auto& c : cases) {
    folder.write("live.oxie16", SCENE);
    fs::permissions(scene, fs::perms(0640));
    const ProcessResult r = runColourHelper(script(), scene, c.page, c.knob, c.colour);
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(r.output, c.printed);
    nlohmann::ordered_json expected = nlohmann::ordered_json::parse(SCENE);
    expected["pages"][c.page - 1]["encoders"][c.knob - 1]["color"] = c.colour;
    const std::string written = folder.read("live.oxie16");
    EXPECT_EQ(nlohmann::ordered_json::parse(written, nullptr, false).dump(), expected.dump());
    EXPECT_NE(written.find("Küche ♫"), std::string::npos) << "non-ASCII text was escaped";
    EXPECT_EQ(fs::status(scene).permissions(), fs::perms(0640));
    EXPECT_EQ(entries(folder), std::set<std::string>{"live.oxie16"});
  }
  // A linked scene keeps its link, and the file it leads to changes.
  fs::remove(scene);
  fs::create_symlink(folder.write("real.oxie16", SCENE), scene);
  EXPECT_EQ(runColourHelper(script(), scene, 1, 1, 8).output, "5");
  EXPECT_TRUE(fs::is_symlink(scene));
  EXPECT_EQ(nlohmann::json::parse(folder.read("real.oxie16"))["pages"][0]["encoders"][0]["color"], 8);
}

TEST_P(ColourScript, EveryRefusalIsOneSentenceAndLeavesTheSceneUntouched) {
  const struct {
    std::vector<std::string> args;  // after the scene path
    std::string says;
    std::string content = SCENE;
  } cases[] = {
      {{"1", "1"}, "4 arguments"},
      {{"1", "1", "100"}, "colour 100"},
      {{"3", "1", "1"}, "page 3 is not in the scene: it has 2 pages"},
      {{"1", "3", "1"}, "knob 3 is not on page 1: it has 2 knobs"},
      {{"1", "1", "1"}, "JSON", "{\"pages\": ["},
      {{"1", "1", "1"}, "twice", R"({"pages": [{"encoders": [{}]}], "pages": []})"},
  };
  for (const auto& c : cases) {
    folder.write("live.oxie16", c.content);
    fs::last_write_time(scene, fs::last_write_time(scene) - std::chrono::hours(1));
    const auto before = fs::last_write_time(scene);
    std::vector<std::string> args = {script(), scene};
    args.insert(args.end(), c.args.begin(), c.args.end());
    ProcessResult r = runProcess("/usr/bin/python3", args, HELPER_TIMEOUT);
    r.output = helperText(r.output);
    expectOneSentence(r, c.says);
    EXPECT_EQ(folder.read("live.oxie16"), c.content) << c.says;
    EXPECT_EQ(fs::last_write_time(scene), before) << c.says;
    EXPECT_EQ(entries(folder), std::set<std::string>{"live.oxie16"}) << c.says;
  }
  fs::remove(scene);
  expectOneSentence(runColourHelper(script(), scene, 1, 1, 1), "No such file");
  EXPECT_TRUE(entries(folder).empty());
}

INSTANTIATE_TEST_SUITE_P(BothModules, ColourScript,
                         ::testing::Values("e16colour.py", "midikeys_e16colour.py"));

TEST(ColourHelper, TheKeyStrokeScriptWithoutItsCompanionSaysSoAndAHungHelperIsStopped) {
  TempFolder folder;
  const std::string lone = folder.path() + "/midikeys_e16colour.py";
  fs::copy_file(HELPERS + "/midikeys_e16colour.py", lone);
  expectOneSentence(runColourHelper(lone, folder.write("live.oxie16", SCENE), 1, 1, 1), "e16colour.py");
  EXPECT_EQ(folder.read("live.oxie16"), SCENE);
  const auto hang = folder.write("hang.py", "import time\ntime.sleep(30)\n");
  const ProcessResult r = runColourHelper(hang, folder.path() + "/live.oxie16", 1, 1, 1, 0.3);
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
  fs::create_directories(prefix.path() + "/" + shipped);  // a folder of that name is not the script
  EXPECT_EQ(ksHelperPath(bin, "/home/u"), fallback);
  fs::remove(prefix.path() + "/" + shipped);
  prefix.write(shipped, "");
  EXPECT_EQ(ksHelperPath(bin, "/home/u"), bin + "/../" + shipped);
}

TEST(ColourHelper, HelperTextIsValidUtf8TrimmedOnlyAtItsEnds) {
  const std::pair<std::string, std::string> cases[] = {
      {" \t\r\n page 3\r\nsecond line \v\f\n", "page 3\r\nsecond line"},
      {"a\377b", "a\uFFFDb"},
      {"end \342\202", "end \uFFFD"},  // a cut-off sequence is one replacement
      {"\342\202x", "\uFFFDx"},
      {"\300\257", "\uFFFD\uFFFD"},                      // overlong
      {"\355\240\200", "\uFFFD\uFFFD\uFFFD"},            // a surrogate
      {"\364\220\200\200", "\uFFFD\uFFFD\uFFFD\uFFFD"},  // above U+10FFFF
      {"\302\200\340\240\200\360\200\200\200\364\217\277\277",
       "\u0080\u0800\uFFFD\uFFFD\uFFFD\uFFFD\U0010FFFF"},  // the edges of each length
  };
  for (const auto& [raw, text] : cases)
    EXPECT_EQ(helperText(raw), text) << raw;
}

}  // namespace
