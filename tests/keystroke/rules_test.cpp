// The Key Stroke rules: reading a stored row (refusals, leniencies, the stored form), matching, firing, the
// row texts and clashes.
#include "keystroke/rules.h"

#include <gtest/gtest.h>

namespace {

using KSRules::KSRow;
using nlohmann::json;

KSRules::Cleaned cleanWith(const json& fields) {
  json stored = {{"id", 1}, {"cc", 7}, {"key", "a"}};
  if (!fields.is_null()) stored.update(fields);
  return KSRules::clean(stored);
}

KSRow row(const json& fields = json::object()) {
  const auto c = cleanWith(fields);
  EXPECT_EQ(c.message, "");
  return c.row.value_or(KSRow{});
}

TEST(KSClean, RefusesUnknownKindsAndNumbersOutOfRangeAndReadsEachFieldLeniently) {
  EXPECT_EQ(cleanWith({{"kind", "Volume"}}).message, "unknown kind: Volume");
  EXPECT_EQ(cleanWith({{"kind", nullptr}}).message, "unknown kind: <null>");
  const std::pair<json, std::optional<int>> numbers[] = {
      {json("12.5"), 13},  {json(127.5), {}}, {json("abc"), {}}, {json(true), 1},     {json(" 9 "), 9},
      {json(nullptr), {}}, {json(128), {}},   {json(127u), 127}, {json::array(), {}}, {json(-1), {}},
  };
  for (const auto& [cc, expected] : numbers) {
    const auto c = cleanWith({{"cc", cc}});
    EXPECT_EQ(c.row ? std::optional(c.row->cc) : std::nullopt, expected) << cc.dump();
    EXPECT_EQ(c.message, expected ? "" : "the MIDI number must be from 0 to 127");
  }
  EXPECT_EQ(KSRules::clean(json::array()).message, "the MIDI number must be from 0 to 127");

  for (const json& any : {json("ANY"), json(200), json(true)})
    EXPECT_EQ(row({{"value", any}}).value, std::nullopt) << any.dump();
  EXPECT_EQ(row({{"value", "64"}}).value, 64);
  EXPECT_EQ(row({{"type", "N"}}).type, "note");
  EXPECT_EQ(row({{"type", " note"}}).type, "cc");
  EXPECT_EQ(row({{"id", "41.5"}}).id, 42);
  EXPECT_EQ(row({{"id", 18446744073709551615u}}).id, 0);
  EXPECT_FALSE(row({{"on", false}}).on);
  EXPECT_TRUE(row({{"on", 0}}).on);
  EXPECT_EQ(row({{"note", 5}}).note, "5");
  EXPECT_FALSE(row({{"led", "true"}}).led);
  EXPECT_EQ(row({{"key", "Return"}}).key, "return");
  EXPECT_EQ(row({{"key", "É"}}).key, "é");
  EXPECT_EQ(row({{"key", "ÉA"}}).key, "Éa");  // not one character: only ASCII is lowered
  EXPECT_EQ(row({{"key", ""}}).key, std::nullopt);
  EXPECT_EQ(row({{"mods", {"Shift", "cmd", "cmd", "command", 1}}}).mods,
            (std::vector<std::string>{"cmd", "shift"}));
  EXPECT_EQ(row({{"mods", "cmd"}}).mods, std::vector<std::string>{});
}

TEST(KSDict, WritesModsForEveryKeyRowAndReadsBackTheSameRowAndAVolumeRowKeepsNoValueKeyOrModifiers) {
  const auto v = row({{"kind", "volume"}, {"value", 5}, {"mods", {"cmd"}}, {"led", true}});
  EXPECT_EQ(std::tuple(v.value, v.key, v.mods.size()), std::tuple(std::nullopt, std::nullopt, 0u));
  EXPECT_EQ(KSRules::valueText(v), "0-127");
  EXPECT_FALSE(v.dict().contains("mods"));
  const auto r = row({{"type", "note"}, {"value", 3}, {"note", "pad"}});
  EXPECT_EQ(r.dict(), (json{{"id", 1},
                            {"cc", 7},
                            {"type", "note"},
                            {"kind", "key"},
                            {"on", true},
                            {"note", "pad"},
                            {"value", 3},
                            {"mods", json::array()},
                            {"key", "a"}}));
  for (const auto& stored : {r.dict(), v.dict(), row({{"key", ""}}).dict()})
    EXPECT_EQ(KSRules::clean(stored).row->dict(), stored);
}

TEST(KSRules, MatchesOnTypeNumberAndValueAndFiresEveryMatchingRowInOrder) {
  const struct {
    json fields;
    int number, value;
    const char* type;
    bool matches;
  } cases[] = {
      // clang-format off
      {{}, 7, 99, "CC", true}, {{}, 7, 99, "note", false}, {{}, 8, 99, "cc", false},
      {{}, 7 + 256, 99, "cc", false}, {{{"value", 99}}, 7, 99, "cc", true}, {{{"value", 99}}, 7, 98, "cc", false},
      {{{"on", false}}, 7, 99, "cc", false}, {{{"key", nullptr}}, 7, 99, "cc", false},
      {{{"kind", "volume"}}, 7, 99, "cc", true},
      // A note-on of 0 is a release, answered only by a row asking for exactly 0; a CC of 0 is a value.
      {{{"type", "note"}}, 7, 0, "note", false}, {{{"type", "note"}, {"value", 0}}, 7, 0, "note", true},
      {{{"type", "note"}}, 7, 1, "n", true}, {{}, 7, 0, "cc", true},
      // clang-format on
  };
  for (const auto& c : cases)
    EXPECT_EQ(KSRules::matches(row(c.fields), c.number, c.value, c.type), c.matches) << c.fields.dump();

  const std::vector<KSRow> rows = {row({{"mods", {"cmd"}}}), row({{"id", 2}, {"kind", "volume"}}),
                                   row({{"cc", 8}}), row({{"id", 4}, {"key", "space"}})};
  const auto acts = KSRules::fire(rows, 7, 64, "cc");
  ASSERT_EQ(acts.size(), 3u);
  EXPECT_EQ(std::get<KSRules::KeyAct>(acts[0]).mods, std::vector<std::string>{"cmd"});
  EXPECT_EQ(std::get<KSRules::VolumeAct>(acts[1]).percent, 50);
  EXPECT_EQ(std::get<KSRules::KeyAct>(acts[2]).row.id, 4);
  for (const auto& [v, percent] : {std::pair{0, 0}, {127, 100}, {1, 1}, {126, 99}})
    EXPECT_EQ(std::get<KSRules::VolumeAct>(KSRules::fire({rows[1]}, 7, v, "cc")[0]).percent, percent);
}

TEST(KSRules, ShowsTheMessageValueAndTargetWithTheChordsGlyphsBeforeTheKey) {
  EXPECT_EQ(KSRules::midiText(row({{"cc", 64}})), "CC 64");
  EXPECT_EQ(KSRules::midiText(row({{"cc", 60}, {"type", "note"}})), "N 60");
  EXPECT_EQ(KSRules::valueText(row()), "any");
  EXPECT_EQ(KSRules::valueText(row({{"value", 0}})), "0");
  EXPECT_EQ(KSRules::target(row({{"kind", "volume"}})), "System volume");
  EXPECT_EQ(KSRules::target(row({{"key", nullptr}})), "");
  EXPECT_EQ(KSRules::target(row({{"key", "s"}, {"mods", {"shift", "cmd"}}})), "⌘⇧S");
  const std::tuple<std::vector<std::string>, const char*, const char*> chords[] = {
      {{"ctrl", "alt"}, "f5", "⌃⌥f5"}, {{"fn", "hyper"}, ",", "fnhyper,"}, {{}, "ω", "Ω"}};
  for (const auto& [mods, key, shown] : chords)
    EXPECT_EQ(KSRules::chord(mods, key), shown);
}

TEST(KSRules, ClashesAreRowsThatFireOnTheSameMessage) {
  std::vector<KSRow> rows = {row(), row({{"id", 2}, {"kind", "volume"}}), row({{"id", 3}, {"value", 5}}),
                             row({{"id", 4}, {"type", "note"}})};
  EXPECT_EQ(KSRules::clashes(rows), (std::set<std::int64_t>{1, 2}));
  rows[0].on = false;
  EXPECT_TRUE(KSRules::clashes(rows).empty());
  EXPECT_EQ(KSRules::nextId({}), 1);
  EXPECT_EQ(KSRules::nextId({row({{"id", 9}}), row({{"id", 3}})}), 10);
}

}  // namespace
