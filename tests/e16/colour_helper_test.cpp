// Tests for the colour helpers: both real scripts run by the real python3 on scene files written here, the
// helper paths, the cleaning of what a helper prints, and the time limit on the loop's clock.
#include "e16/colour_helper.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <cctype>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <optional>
#include <set>

#include "support/temp_folder.h"
#include "support/thread_loop.h"
#include "support/virtual_loop.h"

namespace {

namespace fs = std::filesystem;

const std::string HELPERS = HELPERS_DIR;

// Key order and non-ASCII text are part of what must survive, hence the ordered form.
constexpr const char* SCENE = R"({"name": "Küche ♫", "pages": [{"name": "one", "encoders":
  [{"color": 5, "label": "Vol"}, {"label": "Pan"}]}, {"name": "two", "encoders": [{"color": "red"}]}],
  "zeta": [1, 2]})";

// What the folder holds, so a temporary file left behind shows.
std::set<std::string> entries(const TempFolder& folder) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder.path()))
    names.insert(entry.path().filename());
  return names;
}

// Runs a helper on a real-time loop and waits for its result.
ProcessResult runHelper(const std::string& script, const std::string& scene, int page, int knob, int colour) {
  ThreadLoop loop;
  std::optional<ProcessResult> result;
  const auto helper = startColourHelper(loop, script, scene, page, knob, colour,
                                        [&](ProcessResult r) { result = std::move(r); });
  EXPECT_TRUE(loop.runUntil([&] { return result.has_value(); }, HELPER_TIMEOUT + 5));
  return result.value_or(ProcessResult{});
}

// A refusal is one sentence starting in lower case, with a non-zero exit.
void expectOneSentence(const ProcessResult& r, const std::string& fragment) {
  EXPECT_TRUE(r.status != 0 && r.output.find(fragment) != std::string::npos &&
              r.output.find('\n') == std::string::npos &&
              std::islower(static_cast<unsigned char>(r.output[0])))
      << r.output;
}

class ColourScript : public ::testing::TestWithParam<const char*> {
 protected:
  std::string script = HELPERS + "/" + GetParam();
  TempFolder folder;
  std::string scene = folder.path() + "/live.oxie16";
};

TEST_P(ColourScript,
       SuccessSetsTheColourKeepsTheRestAndPrintsThePreviousColourAndARefusalLeavesTheSceneUntouched) {
  // clang-format off
  const std::tuple<int, int, int, const char*> cases[] = {{1, 1, 42, "5"}, {1, 2, 7, "0"}, {2, 1, 0, "\"red\""}};
  // clang-format on
  for (const auto& [page, knob, colour, printed] : cases) {
    folder.write("live.oxie16", SCENE);
    fs::permissions(scene, fs::perms(0640));
    const ProcessResult r = runHelper(script, scene, page, knob, colour);
    EXPECT_EQ(std::pair(r.status, r.output), std::pair(0, std::string(printed)));
    nlohmann::ordered_json expected = nlohmann::ordered_json::parse(SCENE);
    expected["pages"][page - 1]["encoders"][knob - 1]["color"] = colour;
    const std::string written = folder.read("live.oxie16");
    EXPECT_EQ(nlohmann::ordered_json::parse(written, nullptr, false).dump(), expected.dump());
    EXPECT_NE(written.find("Küche ♫"), std::string::npos) << "non-ASCII text was escaped";
    EXPECT_EQ(std::pair(fs::status(scene).permissions(), entries(folder)),
              std::pair(fs::perms(0640), std::set<std::string>{"live.oxie16"}));
  }
  // Every refusal is one sentence and leaves the scene untouched (the argument count is checked where the
  // scripts are installed).
  // clang-format off
  const std::tuple<int, int, int, const char*, std::string> refusals[] = {
      {1, 1, 100, "colour 100", SCENE}, {3, 1, 1, "page 3 is not in the scene: it has 2 pages", SCENE},
      {1, 3, 1, "knob 3 is not on page 1: it has 2 knobs", SCENE}, {1, 1, 1, "JSON", "{\"pages\": ["},
      {1, 1, 1, "twice", R"({"pages": [{"encoders": [{}]}], "pages": []})"}};
  // clang-format on
  for (const auto& [page, knob, colour, says, content] : refusals) {
    folder.write("live.oxie16", content);
    expectOneSentence(runHelper(script, scene, page, knob, colour), says);
    EXPECT_EQ(folder.read("live.oxie16"), content) << says;
    EXPECT_EQ(entries(folder), std::set<std::string>{"live.oxie16"}) << says;
  }
  fs::remove(scene);
  expectOneSentence(runHelper(script, scene, 1, 1, 1), "No such file");
  EXPECT_TRUE(entries(folder).empty());
}

// Both modules run a helper, and both may change one scene at the same moment: a helper waits while another
// holds the scene's folder, then writes its change on top of what the other wrote.
TEST_P(ColourScript, AHelperWaitsWhileAnotherChangesTheSameSceneAndThenKeepsBothChanges) {
  folder.write("live.oxie16", SCENE);
  const int other = open(folder.path().c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_EQ(flock(other, LOCK_EX), 0);
  ThreadLoop loop;
  std::optional<ProcessResult> result;
  const auto helper =
      startColourHelper(loop, script, scene, 1, 1, 42, [&](ProcessResult r) { result = std::move(r); });
  EXPECT_FALSE(loop.runUntil([&] { return result.has_value(); }, 1.0));  // it waits for the other
  nlohmann::ordered_json changed = nlohmann::ordered_json::parse(SCENE);
  changed["pages"][0]["encoders"][1]["color"] = 9;
  folder.write("live.oxie16", changed.dump());
  close(other);
  ASSERT_TRUE(loop.runUntil([&] { return result.has_value(); }, HELPER_TIMEOUT));
  changed["pages"][0]["encoders"][0]["color"] = 42;
  EXPECT_EQ(std::pair(result->status, nlohmann::ordered_json::parse(folder.read("live.oxie16")).dump()),
            std::pair(0, changed.dump()))
      << result->output;
}

INSTANTIATE_TEST_SUITE_P(BothModules, ColourScript,
                         ::testing::Values("e16colour.py", "midikeys_e16colour.py"));

TEST(ColourHelper, AHungHelperIsStoppedAndEachModulePrefersTheScriptShippedBesideTheProgram) {
  TempFolder folder;
  const auto hang = folder.write("hang.py", "import time\ntime.sleep(30)\n");
  VirtualLoop loop;
  std::optional<ProcessResult> result;
  const auto helper = startColourHelper(loop, hang, folder.path() + "/live.oxie16", 1, 1, 1,
                                        [&](ProcessResult r) { result = std::move(r); });
  loop.advance(HELPER_TIMEOUT - 0.001);
  EXPECT_FALSE(result);
  loop.advance(0.001);
  EXPECT_EQ(result ? result->error : "no result", HELPER_TIMED_OUT);
  const std::string bin = folder.path() + "/bin", shipped = "share/orvane-vuda-verer/helpers/";
  fs::create_directories(bin);
  // Each module's helper path, its script and where it is looked for when none is shipped. The first
  // module's script is shipped before the second module looks: each must find its own only.
  const std::tuple<std::string (*)(const std::string&, const std::string&), std::string, std::string>
      modules[] = {{mkHelperPath, "e16colour.py", "/home/u/.local/lib/orvane/e16colour.py"},
                   {ksHelperPath, "midikeys_e16colour.py",
                    "/home/u/Developer/ORVANE_VUDA_VERER/helpers/midikeys_e16colour.py"}};
  for (const auto& [path, script, fallback] : modules) {
    EXPECT_EQ(path(bin, "/home/u"), fallback);
    folder.write(shipped + script, "");
    EXPECT_EQ(path(bin, "/home/u"), bin + "/../" + shipped + script);
  }
}

TEST(ColourHelper, HelperTextIsValidUtf8TrimmedOnlyAtItsEnds) {
  const std::pair<std::string, std::string> cases[] = {
      {" \t\r\n page 3\r\nsecond line \v\f\n", "page 3\r\nsecond line"},
      {"end \342\202x", "end \uFFFDx"},  // a cut-off sequence is one replacement
      {"\377\300\257\355\240\200",
       "\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD"},  // a stray byte, an overlong form, a surrogate
      {"\302\200\340\240\200\360\200\200\200\364\217\277\277\364\220\200\200",
       "\u0080\u0800\uFFFD\uFFFD\uFFFD\uFFFD\U0010FFFF\uFFFD\uFFFD\uFFFD\uFFFD"},  // the edges of each length
  };
  for (const auto& [raw, text] : cases)
    EXPECT_EQ(helperText(raw), text) << raw;
}

}  // namespace
