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
// Readable failures.
void PrintTo(const E16Knob& k, std::ostream* out) {
  *out << "page " << k.page << " knob " << k.knob << " cc " << k.cc << " ch " << k.ch << " turn " << k.turn
       << (k.abs ? " abs" : "") << (k.push ? " push" : "") << " colour " << k.colour.value_or(0xFFFFFFFF)
       << " index " << k.index << " '" << k.name << "'" << (k.guessed ? " guessed" : "");
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

TEST_F(SceneReaderTest, WithoutSceneFileOnlyNotes1To16GetTheGuessedKnob) {
  const auto guess = [](int knob, int ch) {
    return E16Knob{0, knob, knob, ch, 3, true, true, {}, -1, "", true};
  };
  const struct {
    const char* type;
    int number;
    std::optional<int> channel;
    std::optional<E16Knob> expected;
  } cases[] = {
      {"note", 1, {}, guess(1, 0)},
      {"note", 16, 5, guess(16, 5)},
      {"note", 17, {}, {}},
      {"note", 0, {}, {}},
      {"cc", 1, {}, {}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(reader.knobFor(c.type, c.number, c.channel), std::nullopt);
    EXPECT_EQ(reader.knobOrGuess(c.type, c.number, c.channel), c.expected) << c.type << c.number;
  }
  // Until a scene file exists the folders are searched again every two seconds.
  write(at("new.oxie16"), named("N"), 100);
  clock.advance(1.9);
  EXPECT_EQ(nameOfCC1(), "none");
  clock.advance(0.1);
  EXPECT_EQ(nameOfCC1(), "N");
  EXPECT_EQ(reader.knobOrGuess("cc", 1, {})->guessed, false);
}

TEST_F(SceneReaderTest, SearchGoesTwoFoldersDeepSkipsDotEntriesAndEntersLinksOnlyWhenAsked) {
  write(at("a/b/two.oxie16"), "{}", 100);
  write(at("a/b/c/three.oxie16"), "{}", 500);
  write(at(".hidden/newer.oxie16"), "{}", 600);
  write(at(".dot.oxie16"), "{}", 700);
  EXPECT_EQ(reader.walk(), at("a/b/two.oxie16"));
  fs::remove(at("a/b/two.oxie16"));
  EXPECT_EQ(reader.walk(), std::nullopt);
  TempFolder elsewhere;
  write(elsewhere.path() + "/linked.oxie16", "{}", 100);
  fs::create_directory_symlink(elsewhere.path(), at("link"));
  EXPECT_EQ(reader.walk(), at("link/linked.oxie16"));
  EXPECT_EQ(SceneReader(clock, docs.path(), FolderLinks::skip).walk(), std::nullopt);
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
  // A change that keeps the time stamp shows only once the reader is told to forget.
  write(at("s.oxie16"), named("D"), 120);
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
  // A clock set back must not freeze the cache.
  write(at("t.oxie16"), named("T"), 400);
  clock.advance(-3600);
  EXPECT_EQ(nameOfCC1(), "T");
  // The scene stays after its file goes until another is found, even one with the same time stamp.
  for (const char* file : {"t.oxie16", "a/b/newest.oxie16", "sub/newer.oxie16", "old.oxie16"})
    fs::remove(at(file));
  clock.advance(30);
  EXPECT_EQ(nameOfCC1(), "T");
  write(at("other.oxie16"), named("Other"), 400);
  clock.advance(2);
  EXPECT_EQ(nameOfCC1(), "Other");
}

TEST_F(SceneReaderTest, FileThatIsNotRegularIsNotRead) {
  ASSERT_EQ(mkfifo(at("pipe.oxie16").c_str(), 0600), 0);  // reading it would block
  EXPECT_EQ(reader.readScene(), nullptr);
  EXPECT_EQ(reader.path(), at("pipe.oxie16"));
}

TEST(SceneReader, BadFilesGiveNoSceneWithoutHarm) {
  // Inside the scene's own object: 512 levels in all are read, 513 are not.
  const std::string deep = std::string(512, '[') + std::string(512, ']');
  const std::string shallow = std::string(511, '[') + std::string(511, ']');
  std::string lastByteAlone = named("A");  // the final read of 64 KiB chunks gets one byte
  lastByteAlone.insert(1, std::string((1 << 16) + 1 - lastByteAlone.size(), ' '));
  const struct {
    const char* what;
    std::string text;
    bool read;
    bool knob;
  } cases[] = {
      {"empty", "", false, false},
      {"array at the top", "[" + named("A") + "]", false, false},
      {"invalid UTF-8", named("\xff\xfe"), false, false},
      {"nested too deep", named("A", ",\"x\":" + deep), false, false},
      {"over 32 MiB", named("A", ",\"x\":\"" + std::string(32 << 20, 'x') + "\""), false, false},
      {"nested and large within bounds",
       named("A", ",\"x\":" + shallow + ",\"y\":\"" + std::string(1 << 20, 'x') + "\""), true, true},
      {"last byte alone", lastByteAlone, true, true},
      {"pages an object", R"({"pages":{"encoders":[]}})", true, false},
      {"no pages", R"({"pages":[]})", true, false},
  };
  for (const auto& c : cases) {
    TempFolder docs;
    SettableClock clock;
    write(docs.path() + "/s.oxie16", c.text, 100);
    SceneReader reader(clock, docs.path(), FolderLinks::skip);
    EXPECT_EQ(reader.readScene() != nullptr, c.read) << c.what;
    EXPECT_EQ(reader.knobFor("cc", 1, {}).has_value(), c.knob) << c.what;
  }
}

struct Lookup {
  const char* type;
  int number;
  std::optional<int> channel;
  std::optional<E16Knob> expected;
};

constexpr std::uint32_t FIRST = 0x9D61FF;  // the colour of a knob without "color"

E16Knob knob(int page, int k, int cc, int ch, int turn, bool push,
             std::optional<std::uint32_t> colour = FIRST, int index = 0, std::string name = "") {
  return {page, k, cc, ch, turn, turn == 3, push, colour, index, std::move(name), false};
}

void expectLookups(std::string_view sceneText, std::initializer_list<Lookup> lookups) {
  TempFolder docs;
  SettableClock clock;
  write(docs.path() + "/s.oxie16", sceneText, 100);
  SceneReader reader(clock, docs.path(), FolderLinks::enter);
  for (const auto& l : lookups)
    EXPECT_EQ(reader.knobFor(l.type, l.number, l.channel), l.expected)
        << l.type << " " << l.number << " on " << l.channel.value_or(-1);
}

TEST(SceneReader, MatchesTurnsAndPushesInPageAndKnobOrderPreferringTheAskedChannel) {
  expectLookups(R"({"pages":[
    {"channel":2,"encoders":[
      {"turn_actions":[{"type":1,"nr1":10}],"push_action":{"type":1,"nr1":40},"color":5,"abbr":"Vol"},
      {"turn_actions":[{"type":0,"nr1":11}],"push_action":{"type":2,"nr1":11}},
      {"turn_actions":[{"type":5,"nr1":12}],"push_action":{"type":2,"nr1":13,"channel":4}},
      {"turn_actions":[{"type":3}],"push_action":{"type":2,"nr1":14}},
      {"turn_actions":[{"type":2,"nr1":20,"channel":0}],"color":100},
      {"push_action":{"type":2,"nr1":10,"channel":1},"color":-1},
      {"turn_actions":[{"type":4,"nr1":21,"channel":9}],"push_action":{"type":2,"nr1":22}}]},
    {"encoders":[
      {"turn_actions":[{"type":4,"nr1":22}]},
      {"turn_actions":[{"type":1,"nr1":30,"channel":5}]},
      {"turn_actions":[{"type":1,"nr1":30,"channel":6}]},
      {"turn_actions":[{"type":3,"nr1":30}],"push_action":{"type":1,"nr1":12}}]}]})",
                {
                    {"cc", 10, {}, knob(1, 1, 10, 1, 1, false, 0x675FFF, 5, "Vol")},
                    {"note", 40, {}, knob(1, 1, 10, 1, 1, true, 0x675FFF, 5, "Vol")},
                    {"note", 10, {}, {}},
                    {"cc", 11, {}, knob(1, 2, 11, 1, 0, true)},
                    {"cc", 12, {}, {}},
                    {"cc", 13, 3, knob(1, 3, 12, 1, 5, true)},
                    {"cc", 14, {}, knob(1, 4, 4, 1, 3, true)},
                    {"cc", 20, 1, knob(1, 5, 20, 1, 2, false, {}, 100)},
                    {"cc", 10, 0, knob(1, 6, 6, 1, 0, true, {}, -1)},
                    {"cc", 21, 8, knob(1, 7, 21, 8, 4, false)},
                    {"cc", 22, {}, knob(1, 7, 21, 8, 4, true)},
                    {"cc", 22, 0, knob(2, 1, 22, 0, 4, false)},
                    {"cc", 30, {}, knob(2, 2, 30, 4, 1, false)},
                    {"cc", 30, 3, knob(2, 2, 30, 4, 1, false)},
                    {"cc", 30, 5, knob(2, 3, 30, 5, 1, false)},
                    {"cc", 30, 0, knob(2, 4, 30, 0, 3, false)},
                    {"note", 12, {}, knob(2, 4, 30, 0, 3, true)},
                });
}

TEST(SceneReader, ValuesOfTheWrongTypeCountAsMissingAndKeepTheNumbering) {
  expectLookups(R"({"pages":[
    "junk",
    {"channel":"3","encoders":{"turn_actions":[{"type":1,"nr1":50}]}},
    {"channel":null,"encoders":[
      null,
      {"turn_actions":{"type":1,"nr1":50},"push_action":[{"type":2,"nr1":51}],"color":"7","abbr":5},
      {"turn_actions":[{"type":"1","nr1":51}],"push_action":{"type":2,"nr1":"52"}},
      {"turn_actions":[{"type":1.9,"nr1":52.9,"channel":1e300}],"color":1e300,"abbr":null},
      {"turn_actions":[{"type":1,"nr1":53,"channel":"2"}],"push_action":{"type":2.0,"nr1":-1e300}},
      {"turn_actions":[{"type":1,"nr1":1e300}],"push_action":{"type":2,"nr1":54}},
      {"turn_actions":[5,{"type":1,"nr1":55}]},
      {"turn_actions":[{"type":1,"nr1":56,"channel":-2147483648}]},
      {"turn_actions":[{"type":1,"nr1":57,"channel":3.7}],"color":4294967301},
      {"turn_actions":[{"type":true,"nr1":58}],"push_action":{"type":2,"nr1":58,"channel":false}}]},
    {"channel":2,"encoders":[{"turn_actions":[{"type":1,"nr1":55}]}]}]})",
                {
                    {"cc", 50, {}, {}},
                    {"cc", 51, {}, {}},
                    {"note", 52, {}, {}},
                    {"cc", 52, {}, knob(3, 4, 52, 0, 1, false)},
                    {"cc", 53, {}, knob(3, 5, 53, 0, 1, false)},
                    {"cc", 54, {}, knob(3, 6, 6, 0, 1, true)},
                    {"cc", 55, {}, knob(4, 1, 55, 1, 1, false)},
                    {"cc", 56, {}, knob(3, 8, 56, 0, 1, false)},
                    {"cc", 57, {}, knob(3, 9, 57, 2, 1, false)},
                    {"cc", 58, {}, knob(3, 10, 58, 0, 0, true)},
                });
}

}  // namespace
