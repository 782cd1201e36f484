// The Key Stroke rules: matching, firing, the row texts and clashes.
#include "keystroke/rules.h"

#include <gtest/gtest.h>

namespace {

using KSRules::KSRow;
using nlohmann::json;

KSRow row(std::int64_t id, json fields = json::object()) {
  json stored = {{"id", id}, {"cc", 7}, {"key", "a"}};
  stored.update(fields);
  return *KSRules::clean(stored).row;
}

TEST(KSRules, MatchesOnTypeNumberAndValue) {
  const auto any = row(1);
  EXPECT_TRUE(KSRules::matches(any, 7, 99, "cc"));
  EXPECT_TRUE(KSRules::matches(any, 7, 99, "CC"));
  EXPECT_FALSE(KSRules::matches(any, 7, 99, "note"));
  EXPECT_FALSE(KSRules::matches(any, 8, 99, "cc"));
  EXPECT_FALSE(KSRules::matches(any, 7 + 256, 99, "cc"));
  EXPECT_TRUE(KSRules::matches(row(1, {{"value", 99}}), 7, 99, "cc"));
  EXPECT_FALSE(KSRules::matches(row(1, {{"value", 99}}), 7, 98, "cc"));
  EXPECT_FALSE(KSRules::matches(row(1, {{"on", false}}), 7, 99, "cc"));
  EXPECT_FALSE(KSRules::matches(row(1, {{"key", nullptr}}), 7, 99, "cc"));
  EXPECT_TRUE(KSRules::matches(row(1, {{"kind", "volume"}}), 7, 99, "cc"));
  // A note-on of 0 is a release, answered only by a row asking for exactly 0; a CC of 0 is a value.
  EXPECT_FALSE(KSRules::matches(row(1, {{"type", "note"}}), 7, 0, "note"));
  EXPECT_TRUE(KSRules::matches(row(1, {{"type", "note"}, {"value", 0}}), 7, 0, "note"));
  EXPECT_TRUE(KSRules::matches(row(1, {{"type", "note"}}), 7, 1, "n"));
  EXPECT_TRUE(KSRules::matches(row(1), 7, 0, "cc"));
}

TEST(KSRules, FiresEveryMatchingRowInOrder) {
  const std::vector<KSRow> rows = {row(1, {{"mods", {"cmd"}}}), row(2, {{"kind", "volume"}}),
                                   row(3, {{"cc", 8}}), row(4, {{"key", "space"}})};
  const auto acts = KSRules::fire(rows, 7, 64, "cc");
  ASSERT_EQ(acts.size(), 3u);
  EXPECT_EQ(std::get<KSRules::KeyAct>(acts[0]).key, "a");
  EXPECT_EQ(std::get<KSRules::KeyAct>(acts[0]).mods, std::vector<std::string>{"cmd"});
  EXPECT_EQ(std::get<KSRules::VolumeAct>(acts[1]).percent, 50);
  EXPECT_EQ(std::get<KSRules::KeyAct>(acts[2]).row.id, 4);
  for (const auto& [v, percent] : {std::pair{0, 0}, {127, 100}, {1, 1}, {126, 99}})
    EXPECT_EQ(std::get<KSRules::VolumeAct>(KSRules::fire({rows[1]}, 7, v, "cc")[0]).percent, percent);
  EXPECT_TRUE(KSRules::fire(rows, 9, 64, "cc").empty());
}

TEST(KSRules, ShowsTheMessageValueAndTarget) {
  EXPECT_EQ(KSRules::midiText(row(1, {{"cc", 64}})), "CC 64");
  EXPECT_EQ(KSRules::midiText(row(1, {{"cc", 60}, {"type", "note"}})), "N 60");
  EXPECT_EQ(KSRules::valueText(row(1)), "any");
  EXPECT_EQ(KSRules::valueText(row(1, {{"value", 0}})), "0");
  EXPECT_EQ(KSRules::target(row(1, {{"kind", "volume"}})), "System volume");
  EXPECT_EQ(KSRules::target(row(1, {{"key", nullptr}})), "");
  EXPECT_EQ(KSRules::target(row(1, {{"key", "s"}, {"mods", {"shift", "cmd"}}})), "⌘⇧S");
}

TEST(KSRules, ChordPutsGlyphsBeforeTheKey) {
  EXPECT_EQ(KSRules::chord({"alt"}, "space"), "⌥space");
  EXPECT_EQ(KSRules::chord({"ctrl", "alt"}, "f5"), "⌃⌥f5");
  EXPECT_EQ(KSRules::chord({}, "a"), "A");
  EXPECT_EQ(KSRules::chord({"fn", "hyper"}, ","), "fnhyper,");
  EXPECT_EQ(KSRules::chord({}, "é"), "É");
  EXPECT_EQ(KSRules::chord({}, "ω"), "Ω");
}

TEST(KSRules, ClashesAreRowsThatFireOnTheSameMessage) {
  std::vector<KSRow> rows = {row(1), row(2, {{"key", "b"}, {"kind", "volume"}}), row(3, {{"value", 5}}),
                             row(4, {{"type", "note"}})};
  EXPECT_EQ(KSRules::clashes(rows), (std::set<std::int64_t>{1, 2}));
  rows[0].on = false;
  EXPECT_TRUE(KSRules::clashes(rows).empty());
  EXPECT_EQ(KSRules::nextId({}), 1);
  EXPECT_EQ(KSRules::nextId({row(3), row(9)}), 10);
}

}  // namespace
