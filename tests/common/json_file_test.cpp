// The settings files: what counts as readable, atomic writing, and keeping a bad file aside.
#include "common/json_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "support/temp_folder.h"

namespace fs = std::filesystem;

TEST(JsonFile, ReadsOnlyAnObjectAndTellsWhetherAFileWasThere) {
  TempFolder folder;
  EXPECT_FALSE(readJsonObject(folder.path() + "/none.json").exists);
  const auto nested = [](int levels) {  // within the object, which is a level itself
    return R"({"a":)" + std::string(levels - 1, '[') + std::string(levels - 1, ']') + "}";
  };
  // clang-format off
  const std::pair<std::string, bool> cases[] = {
      {R"({"a": 1})", true}, {"[1]", false}, {"", false}, {"{", false}, {nested(64), true}, {nested(65), false},
      {R"({"":")" + std::string(70, '[') + R"(\"["})", true}};  // brackets inside strings nest nothing
  // clang-format on
  for (const auto& [content, readable] : cases) {
    const auto read = readJsonObject(folder.write("f.json", content));
    EXPECT_EQ(std::pair(read.exists, read.object.has_value()), std::pair(true, readable)) << content;
  }
}

// No temporary file is left, not even one an earlier, killed save left; a failed write leaves nothing either.
TEST(JsonFile, WritesSortedPrettyJsonIntoNewFoldersKeepsPermissionsAndLinksAndLeavesNothingBehind) {
  TempFolder folder;
  const auto path = folder.path() + "/a/b/settings.json";
  ASSERT_TRUE(writeJsonAtomically(path, {{"zeta", 1}, {"alpha", {1, 2}}}));
  EXPECT_EQ(folder.read("a/b/settings.json"), "{\n  \"alpha\": [\n    1,\n    2\n  ],\n  \"zeta\": 1\n}\n");
  folder.write("a/b/settings.json.saving-Xy12Zw", "left by a save that was killed");
  ::chmod(path.c_str(), 0600);
  ASSERT_TRUE(writeJsonAtomically(path, {{"x", "\xff"}}));  // invalid UTF-8 is replaced, not fatal
  EXPECT_EQ(std::pair(fs::status(path).permissions(),
                      std::distance(fs::directory_iterator(folder.path() + "/a/b"), {})),
            std::pair(fs::perms(0600), std::ptrdiff_t(1)));
  fs::create_symlink("b/settings.json", folder.path() + "/a/linked.json");
  ASSERT_TRUE(writeJsonAtomically(folder.path() + "/a/linked.json", {{"y", 2}}));
  EXPECT_TRUE(fs::is_symlink(folder.path() + "/a/linked.json"));
  EXPECT_EQ(folder.read("a/b/settings.json"), "{\n  \"y\": 2\n}\n");
  folder.write("a/taken/inside", "x");  // the target is a folder: the final rename must fail
  EXPECT_FALSE(writeJsonAtomically(folder.path() + "/a/taken", {{"a", 1}}));
  EXPECT_EQ(std::pair(folder.read("a/taken/inside"),
                      std::distance(fs::directory_iterator(folder.path() + "/a"), {})),
            std::pair(std::string("x"), std::ptrdiff_t(3)));
}

TEST(JsonFile, KeepsABadFileAsideReplacingAnOlderOneAndSaysSo) {
  TempFolder folder;
  const auto path = folder.write("s.json", "first");
  folder.write("s.json.broken", "older");
  EXPECT_EQ(keepUnreadable(path), "the settings file did not read as JSON: it is kept as s.json.broken");
  EXPECT_EQ(std::pair(folder.read("s.json.broken"), fs::exists(path)),
            std::pair(std::string("first"), false));
  EXPECT_EQ(keepUnreadable(path), std::nullopt);
}
