// Finding the newest E16 scene file, re-reading it on change, and matching messages to knobs.
#include "e16/scene_reader.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "support/settable_clock.h"
#include "support/temp_folder.h"

namespace {

namespace fs = std::filesystem;
using e16::E16Knob;
using e16::FolderLinks;
using e16::SceneReader;

// Writes the file (and its folders) and dates it `second` seconds after a fixed moment.
void write(const std::string& path, std::string_view text, int second) {
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream(path, std::ios::binary) << text;
  fs::last_write_time(path, std::chrono::file_clock::from_sys(
                                std::chrono::sys_seconds(std::chrono::seconds(1'700'000'000 + second))));
}

// A scene of one knob turning CC 1, named so a lookup tells which file was read.
std::string named(std::string_view name) {
  return R"({"pages":[{"encoders":[{"turn_actions":[{"type":1,"nr1":1}],"abbr":")" + std::string(name) +
         "\"}]}]}";
}

class SceneReaderTest : public ::testing::Test {
 protected:
  std::string at(std::string_view relative) const { return docs.path() + "/" + std::string(relative); }
  std::string nameOfCC1() {
    const auto knob = reader.knobFor("cc", 1, {});
    return knob ? knob->name : "none";
  }
  // Each step writes `text` to `file` (unless none) dated `second`, moves the clock by `advance`, then
  // expects the name of the knob on CC 1.
  using Step = std::tuple<const char*, std::string, int, double, const char*>;
  void play(const std::vector<Step>& steps) {
    for (const auto& [file, text, second, advance, name] : steps) {
      if (*file) write(at(file), text, second);
      clock.advance(advance);
      EXPECT_EQ(nameOfCC1(), name) << file << " " << text;
    }
  }

  TempFolder docs;
  SettableClock clock;
  SceneReader reader{clock, docs.path(), FolderLinks::enter};
};

// Without a scene file only notes 1 to 16 get a knob, the E16's default one, and the folders are searched
// again every 2 s. Then the newest file wins, and one saved later is found at the next search, 30 s on. A
// change is noticed 2 s on; a half-written file keeps the previous scene, and a change within the same time
// stamp waits for forget(). A gone file keeps its scene until another appears, even with the same stamp. A
// wall clock set back must not stop the checks until it catches up.
TEST_F(SceneReaderTest,
       TheNewestSceneIsFoundAndFollowedAsItChangesEvenAfterAClockSetBackAndAGoneFileKeepsItsScene) {
  EXPECT_EQ(reader.knobFor("note", 1, {}), std::nullopt);
  EXPECT_EQ(reader.knobOrGuess("note", 16, 5), (E16Knob{0, 16, 16, 5, 3, true, true, {}, -1, "", true}));
  for (const auto& [type, number] : {std::pair("note", 0), {"note", 17}, {"cc", 1}})
    EXPECT_EQ(reader.knobOrGuess(type, number, {}), std::nullopt) << number;
  const std::string half = R"({"pages":[{"encod)";
  // clang-format off
  play({{"old.oxie16", named("Old"), 100, 1.9, "none"}, {"sub/newer.oxie16", named("Newer"), 200, 0.1, "Newer"},
        {"a/b/new.oxie16", named("New"), 300, 29.9, "Newer"}, {"", "", 0, 0.1, "New"},
        {"a/b/new.oxie16", named("B"), 310, 1.9, "New"}, {"", "", 0, 0.1, "B"},
        {"a/b/new.oxie16", half, 320, 2, "B"}, {"a/b/new.oxie16", named("C"), 320, 2, "C"},
        {"a/b/new.oxie16", named("D"), 320, 5, "C"}});
  // clang-format on
  reader.forget();
  EXPECT_EQ(nameOfCC1(), "D");
  for (const char* file : {"a/b/new.oxie16", "sub/newer.oxie16", "old.oxie16"})
    fs::remove(at(file));
  play({{"", "", 0, 30, "D"},
        {"other.oxie16", named("Other"), 320, 2, "Other"},
        {"other.oxie16", named("Back"), 330, -100, "Back"}});
}

TEST_F(SceneReaderTest, SearchGoesTwoFoldersDeepSkipsDotEntriesAndEntersLinksOnlyWhenAsked) {
  write(at("a/b/two.oxie16"), "{}", 100);
  write(at("a/b/c/three.oxie16"), "{}", 500);
  write(at(".hidden/newer.oxie16"), "{}", 600);
  write(at(".dot.oxie16"), "{}", 700);
  EXPECT_EQ(reader.walk(), at("a/b/two.oxie16"));
  fs::remove(at("a/b/two.oxie16"));
  TempFolder elsewhere;
  write(elsewhere.path() + "/linked.oxie16", "{}", 100);
  fs::create_directory_symlink(elsewhere.path(), at("link"));
  EXPECT_EQ(reader.walk(), at("link/linked.oxie16"));
  EXPECT_EQ(SceneReader(clock, docs.path(), FolderLinks::skip).walk(), std::nullopt);
  fs::remove(at("link"));
  ASSERT_EQ(mkfifo(at("pipe.oxie16").c_str(), 0600), 0);  // found, but reading it would block
  EXPECT_EQ(reader.readScene(), nullptr);
}

// The search lists again only the folders whose time moved, so each change below must move one, or be
// read from a file's own time. Before each change a search has seen every folder dated long ago, or within
// the current second; then they are dated so again after it, as a file system that stamps whole seconds
// leaves a folder changed twice in one second.
TEST_F(SceneReaderTest, ASearchSeesAFileAddedSavedOrRemovedAnywhereInTheTreeSinceTheLastOne) {
  const auto dateFolders = [this](fs::file_time_type stamp) {
    fs::last_write_time(docs.path(), stamp);
    for (const auto& entry : fs::recursive_directory_iterator(docs.path()))
      if (entry.is_directory()) fs::last_write_time(entry.path(), stamp);
  };
  write(at("a/b/notes.txt"), "", 100);
  write(at("old.oxie16"), "{}", 100);
  // The file, its time (below 0: it is removed), whether the folders are dated within the current second, and
  // the newest file the search then finds.
  // clang-format off
  const std::tuple<const char*, int, bool, const char*> changes[] = {
      {"a/b/deep.oxie16", 200, false, "a/b/deep.oxie16"},  // two folders down: only the deepest one's time moves
      {"a/c/new.oxie16", 300, false, "a/c/new.oxie16"},    // in a new folder
      {"a/b/deep.oxie16", 400, false, "a/b/deep.oxie16"},  // saved again in place: no folder's time moves
      {"a/b/deep.oxie16", -1, false, "a/c/new.oxie16"},
      {"a/c/newer.oxie16", 500, true, "a/c/newer.oxie16"},
  };
  // clang-format on
  for (const auto& [file, second, thisSecond, newest] : changes) {
    const auto now = fs::file_time_type::clock::now();
    const auto stamp =
        thisSecond ? std::chrono::floor<std::chrono::seconds>(now) : now - std::chrono::hours(1);
    dateFolders(stamp);
    reader.walk();
    if (second < 0)
      fs::remove(at(file));
    else
      write(at(file), "{}", second);
    if (thisSecond) dateFolders(stamp);
    EXPECT_EQ(reader.walk(), at(newest)) << file << " " << second;
  }
}

constexpr std::uint32_t FIRST = 0x9D61FF;  // the colour of a knob without "color"

// A value of the wrong type counts as missing, and a page of the wrong type still keeps the numbering.
TEST_F(SceneReaderTest, MatchesTurnsAndPushesInPageAndKnobOrderPreferringTheAskedChannel) {
  write(at("s.oxie16"), R"({"pages":[
    {"channel":2,"encoders":[
      {"turn_actions":[{"type":1,"nr1":10}],"push_action":{"type":1,"nr1":40},"color":5,"abbr":"Vol"},
      {"turn_actions":[{"type":0,"nr1":11}],"push_action":{"type":2,"nr1":11}},
      {"turn_actions":[{"type":5,"nr1":12}],"push_action":{"type":2,"nr1":13,"channel":4}},
      {"turn_actions":[{"type":3,"nr1":-5000000000}],"push_action":{"type":2,"nr1":14}},
      {"turn_actions":[{"type":2,"nr1":20,"channel":0}],"push_action":{"type":2,"nr1":21},"color":100},
      {"push_action":{"type":2,"nr1":10,"channel":1},"color":-1}]},
    "junk",
    {"channel":"3","encoders":[null, {"turn_actions":[{"type":"1","nr1":51}]},
      {"turn_actions":[{"type":1,"nr1":52,"channel":"2"}],"color":"7","abbr":5}]}]})",
        100);
  const E16Knob vol{1, 1, 10, 1, 1, false, false, 0x675FFF, 5, "Vol", false};
  // clang-format off
  const std::tuple<const char*, int, std::optional<int>, std::optional<E16Knob>> lookups[] = {
      {"cc", 10, {}, vol},
      {"cc", 10, 4, vol},  // no knob on that channel: the first
      {"cc", 10, 0, E16Knob{1, 6, 6, 1, 0, false, true, {}, -1, "", false}},
      {"note", 40, {}, E16Knob{1, 1, 10, 1, 1, false, true, 0x675FFF, 5, "Vol", false}},
      {"note", 10, {}, {}},
      {"cc", 11, {}, E16Knob{1, 2, 11, 1, 0, false, true, FIRST, 0, "", false}},  // the turn is off: its CC is the push's
      {"cc", 12, {}, {}},                                                        // a turn of another type sends no CC
      {"cc", 13, 3, E16Knob{1, 3, 12, 1, 5, false, true, FIRST, 0, "", false}},
      {"cc", 14, {}, E16Knob{1, 4, 4, 1, 3, true, true, FIRST, 0, "", false}},  // a turn without a usable number is the knob's own
      {"cc", 20, 1, E16Knob{1, 5, 20, 1, 2, false, false, {}, 100, "", false}},
      {"cc", 21, {}, E16Knob{1, 5, 20, 1, 2, false, true, {}, 100, "", false}},  // a push on another CC than the turn's
      {"cc", 51, {}, {}},
      {"cc", 52, {}, E16Knob{3, 3, 52, 0, 1, false, false, FIRST, 0, "", false}},
  };
  // clang-format on
  for (const auto& [type, number, channel, expected] : lookups)
    EXPECT_EQ(reader.knobFor(type, number, channel), expected) << type << " " << number;
}

TEST_F(SceneReaderTest, AFileNestedDeeperThan512LevelsOrWithoutPagesGivesNoKnob) {
  const auto nested = [](int levels) {  // the scene's own object is a level itself
    std::string text = named("A");
    return text.insert(text.size() - 1,
                       ",\"x\":" + std::string(levels - 1, '[') + std::string(levels - 1, ']'));
  };
  for (const auto& [text, knob] :
       {std::pair{nested(513), false}, {nested(512), true}, {std::string("{}"), false}}) {
    write(at("s.oxie16"), text, 100);
    reader.forget();
    EXPECT_EQ(reader.knobFor("cc", 1, {}).has_value(), knob);
  }
}

}  // namespace
