// Finding the newest E16 scene file, re-reading it on change, and matching messages to knobs.
#include "e16/scene_reader.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "support/settable_clock.h"
#include "support/temp_folder.h"

namespace e16 {
void PrintTo(const E16Knob& k, std::ostream* out) {
  *out << "page " << k.page << " knob " << k.knob << " cc " << k.cc << " ch " << k.ch << " turn " << k.turn
       << (k.push ? " push" : "") << " index " << k.index << " '" << k.name << "'";
}
}  // namespace e16

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
std::string named(std::string_view name, std::string_view extra = "") {
  return R"({"pages":[{"encoders":[{"turn_actions":[{"type":1,"nr1":1}],"abbr":")" + std::string(name) +
         "\"}]}]" + std::string(extra) + "}";
}

class SceneReaderTest : public ::testing::Test {
 protected:
  std::string at(std::string_view relative) const { return docs.path() + "/" + std::string(relative); }
  std::string nameOfCC1() {
    const auto knob = reader.knobFor("cc", 1, std::nullopt);
    return knob ? knob->name : "none";
  }

  TempFolder docs;
  SettableClock clock;
  SceneReader reader{clock, docs.path(), FolderLinks::enter};
};

TEST_F(SceneReaderTest, WithoutSceneFileOnlyNotes1To16GetTheGuessedKnobAndTheFoldersAreSearchedAgain) {
  EXPECT_EQ(reader.knobFor("note", 1, {}), std::nullopt);
  EXPECT_EQ(reader.knobOrGuess("note", 16, 5), (E16Knob{0, 16, 16, 5, 3, true, true, {}, -1, "", true}));
  for (const int number : {0, 17})
    EXPECT_EQ(reader.knobOrGuess("note", number, {}), std::nullopt) << number;
  EXPECT_EQ(reader.knobOrGuess("cc", 1, {}), std::nullopt);
  // Until a scene file exists the folders are searched again every two seconds.
  write(at("new.oxie16"), named("N"), 100);
  clock.advance(1.9);
  EXPECT_EQ(nameOfCC1(), "none");
  clock.advance(0.1);
  EXPECT_EQ(nameOfCC1(), "N");
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

TEST_F(SceneReaderTest, ChangeIsNoticedAfterTwoSecondsHalfWrittenFileKeepsThePreviousSceneAndForgetRereads) {
  write(at("s.oxie16"), named("A"), 100);
  EXPECT_EQ(nameOfCC1(), "A");
  write(at("s.oxie16"), named("B"), 110);
  clock.advance(1.9);
  EXPECT_EQ(nameOfCC1(), "A");
  clock.advance(0.1);
  EXPECT_EQ(nameOfCC1(), "B");
  write(at("s.oxie16"), R"({"pages":[{"encod)", 120);
  clock.advance(2);
  EXPECT_EQ(nameOfCC1(), "B");
  write(at("s.oxie16"), named("C"), 120);  // completed within the same time stamp
  clock.advance(2);
  EXPECT_EQ(nameOfCC1(), "C");
  write(at("s.oxie16"), named("D"), 120);  // a change that keeps the time stamp waits for forget()
  clock.advance(5);
  EXPECT_EQ(nameOfCC1(), "C");
  reader.forget();
  EXPECT_EQ(nameOfCC1(), "D");
}

TEST_F(SceneReaderTest, NewestFileWinsOneSavedLaterIsFoundAtTheNextSearchAndAGoneFileKeepsItsScene) {
  write(at("old.oxie16"), named("Old"), 100);
  write(at("sub/newer.oxie16"), named("Newer"), 200);
  EXPECT_EQ(nameOfCC1(), "Newer");
  write(at("a/b/newest.oxie16"), named("Newest"), 300);
  clock.advance(29.9);
  EXPECT_EQ(nameOfCC1(), "Newer");
  clock.advance(0.1);
  EXPECT_EQ(nameOfCC1(), "Newest");
  write(at("t.oxie16"), named("T"), 400);
  clock.advance(-3600);  // a clock set back must not freeze the cache
  EXPECT_EQ(nameOfCC1(), "T");
  for (const char* file : {"t.oxie16", "a/b/newest.oxie16", "sub/newer.oxie16", "old.oxie16"})
    fs::remove(at(file));
  clock.advance(30);
  EXPECT_EQ(nameOfCC1(), "T");
  write(at("other.oxie16"), named("Other"), 400);  // another file, even with the same time stamp
  clock.advance(2);
  EXPECT_EQ(nameOfCC1(), "Other");
}

TEST(SceneReader, AFileThatIsNotASceneObjectWithinTheBoundsGivesNoKnob) {
  const auto nested = [](int levels) {  // inside the scene's own object, which is a level itself
    return named("A", ",\"x\":" + std::string(levels - 1, '[') + std::string(levels - 1, ']'));
  };
  std::string lastByteAlone = named("A");  // the final read of 64 KiB chunks gets one byte
  lastByteAlone.insert(1, std::string((1 << 16) + 1 - lastByteAlone.size(), ' '));
  const std::pair<std::string, bool> cases[] = {{"[" + named("A") + "]", false},
                                                {nested(513), false},
                                                {nested(512), true},
                                                {lastByteAlone, true},
                                                {R"({"pages":{"encoders":[]}})", false},
                                                {"{}", false}};
  for (const auto& [text, knob] : cases) {
    TempFolder docs;
    SettableClock clock;
    write(docs.path() + "/s.oxie16", text, 100);
    EXPECT_EQ(SceneReader(clock, docs.path(), FolderLinks::skip).knobFor("cc", 1, {}).has_value(), knob)
        << text.substr(0, 40);
  }
}

constexpr std::uint32_t FIRST = 0x9D61FF;  // the colour of a knob without "color"

E16Knob knob(int page, int k, int cc, int ch, int turn, bool push,
             std::optional<std::uint32_t> colour = FIRST, int index = 0, std::string name = "") {
  return {page, k, cc, ch, turn, turn == 3, push, colour, index, std::move(name), false};
}

// Values of the wrong type count as missing, and a page or knob of the wrong type still keeps the numbering.
TEST(SceneReader, MatchesTurnsAndPushesInPageAndKnobOrderPreferringTheAskedChannel) {
  TempFolder docs;
  SettableClock clock;
  write(docs.path() + "/s.oxie16", R"({"pages":[
    {"channel":2,"encoders":[
      {"turn_actions":[{"type":1,"nr1":10}],"push_action":{"type":1,"nr1":40},"color":5,"abbr":"Vol"},
      {"turn_actions":[{"type":0,"nr1":11}],"push_action":{"type":2,"nr1":11}},
      {"turn_actions":[{"type":5,"nr1":12}],"push_action":{"type":2,"nr1":13,"channel":4}},
      {"turn_actions":[{"type":3}],"push_action":{"type":2,"nr1":14}},
      {"turn_actions":[{"type":2,"nr1":20,"channel":0}],"color":100},
      {"push_action":{"type":2,"nr1":10,"channel":1},"color":-1}]},
    "junk",
    {"channel":"3","encoders":[null,
      {"turn_actions":{"type":1,"nr1":50}},
      {"turn_actions":[{"type":"1","nr1":51}]},
      {"turn_actions":[{"type":1,"nr1":52,"channel":"2"}],"color":"7","abbr":5}]}]})",
        100);
  SceneReader reader(clock, docs.path(), FolderLinks::skip);
  const std::tuple<const char*, int, std::optional<int>, std::optional<E16Knob>> lookups[] = {
      {"cc", 10, {}, knob(1, 1, 10, 1, 1, false, 0x675FFF, 5, "Vol")},
      {"cc", 10, 4, knob(1, 1, 10, 1, 1, false, 0x675FFF, 5, "Vol")},  // no knob on that channel: the first
      {"cc", 10, 0, knob(1, 6, 6, 1, 0, true, {}, -1)},
      {"note", 40, {}, knob(1, 1, 10, 1, 1, true, 0x675FFF, 5, "Vol")},
      {"note", 10, {}, {}},
      {"cc", 11, {}, knob(1, 2, 11, 1, 0, true)},  // the turn is off: its CC is the push's
      {"cc", 12, {}, {}},                          // a turn of another type sends no CC
      {"cc", 13, 3, knob(1, 3, 12, 1, 5, true)},
      {"cc", 14, {}, knob(1, 4, 4, 1, 3, true)},  // a turn without a number is the knob's own
      {"cc", 20, 1, knob(1, 5, 20, 1, 2, false, {}, 100)},
      {"cc", 50, {}, {}},
      {"cc", 51, {}, {}},
      {"cc", 52, {}, knob(3, 4, 52, 0, 1, false)},
  };
  for (const auto& [type, number, channel, expected] : lookups)
    EXPECT_EQ(reader.knobFor(type, number, channel), expected) << type << " " << number;
}

}  // namespace
