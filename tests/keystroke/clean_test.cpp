// Reading a stored Key Stroke row: refusals, leniencies and the stored form.
#include <gtest/gtest.h>

#include <cmath>

#include "keystroke/rules.h"

namespace {

using KSRules::KSRow;
using nlohmann::json;

KSRules::Cleaned cleanWith(json fields) {
  json stored = {{"id", 1}, {"cc", 7}, {"key", "a"}};
  if (!fields.is_null()) stored.update(fields);
  return KSRules::clean(stored);
}

KSRow row(json fields) {
  const auto c = cleanWith(std::move(fields));
  EXPECT_EQ(c.message, "");
  return c.row.value_or(KSRow{});
}

TEST(KSClean, RefusesUnknownKindsExactlyAsWritten) {
  EXPECT_EQ(row({}).kind, "key");
  EXPECT_EQ(row({{"kind", "volume"}}).kind, "volume");
  EXPECT_EQ(cleanWith({{"kind", "Volume"}}).message, "unknown kind: Volume");
  EXPECT_EQ(cleanWith({{"kind", " key"}}).message, "unknown kind:  key");
  EXPECT_EQ(cleanWith({{"kind", nullptr}}).message, "unknown kind: <null>");
  EXPECT_FALSE(cleanWith({{"kind", "Volume"}}).row);
}

TEST(KSClean, ReadsTheNumberLenientlyAndRefusesWhatIsNotOne) {
  const std::pair<json, std::optional<int>> cases[] = {
      {json("12.5"), 13}, {json(127.5), {}},   {json("-0.4"), 0}, {json("abc"), {}}, {json(true), 1},
      {json(" 9 "), 9},   {json(nullptr), {}}, {json(1e300), {}}, {json("inf"), {}}, {json::array(), {}},
      {json(false), 0},   {json(128), {}},     {json(NAN), {}},
  };
  for (const auto& [cc, expected] : cases) {
    const auto c = cleanWith({{"cc", cc}});
    EXPECT_EQ(c.row ? std::optional(c.row->cc) : std::nullopt, expected) << cc.dump();
    EXPECT_EQ(c.message, expected ? "" : "the MIDI number must be from 0 to 127");
  }
  EXPECT_EQ(KSRules::clean(json::array()).message, "the MIDI number must be from 0 to 127");
}

TEST(KSClean, ReadsTheValueAsAnyUnlessItIsANumberFrom0To127) {
  for (const json& any : {json("ANY"), json(nullptr), json(200), json(true)})
    EXPECT_EQ(row({{"value", any}}).value, std::nullopt) << any.dump();
  EXPECT_EQ(row({}).value, std::nullopt);
  EXPECT_EQ(row({{"value", "64"}}).value, 64);
  EXPECT_EQ(row({{"value", 64.4}}).value, 64);
}

TEST(KSClean, ReadsTypeIdOnNoteAndLed) {
  EXPECT_EQ(row({{"type", "N"}}).type, "note");
  EXPECT_EQ(row({{"type", "Note"}}).type, "note");
  EXPECT_EQ(row({{"type", " note"}}).type, "cc");
  EXPECT_EQ(row({{"id", "41.5"}}).id, 42);
  EXPECT_EQ(row({{"id", "x"}}).id, 0);
  EXPECT_EQ(row({{"id", 18446744073709551615u}}).id, 0);
  EXPECT_FALSE(row({{"on", false}}).on);
  EXPECT_TRUE(row({{"on", 0}}).on);
  EXPECT_EQ(row({{"note", 5}}).note, "5");
  EXPECT_TRUE(row({{"led", true}}).led);
  EXPECT_FALSE(row({{"led", "true"}}).led);
}

TEST(KSClean, LowersTheKeyAndCleansTheModifiers) {
  EXPECT_EQ(row({{"key", "Return"}}).key, "return");
  EXPECT_EQ(row({{"key", "É"}}).key, "é");
  EXPECT_EQ(row({{"key", "ÉA"}}).key, "Éa");  // not one character: only ASCII is lowered
  EXPECT_EQ(row({{"key", ""}}).key, std::nullopt);
  EXPECT_EQ(row({{"key", nullptr}}).key, std::nullopt);
  EXPECT_EQ(row({{"mods", {"Shift", "cmd", "cmd", "command"}}}).mods,
            (std::vector<std::string>{"cmd", "shift"}));
  EXPECT_EQ(row({{"mods", "cmd"}}).mods, std::vector<std::string>{});
  EXPECT_EQ(row({{"mods", {1, nullptr, {{"a", 1}}, "FN"}}}).mods, std::vector<std::string>{"fn"});
}

TEST(KSClean, AVolumeRowKeepsNoValueKeyOrModifiers) {
  const auto v = row({{"kind", "volume"}, {"value", 5}, {"mods", {"cmd"}}});
  EXPECT_EQ(v.value, std::nullopt);
  EXPECT_EQ(v.key, std::nullopt);
  EXPECT_TRUE(v.mods.empty());
  EXPECT_EQ(KSRules::valueText(v), "0-127");
  EXPECT_FALSE(v.dict().contains("mods"));
}

TEST(KSDict, WritesModsForEveryKeyRowAndReadsBackTheSameRow) {
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
  for (const auto& stored :
       {r.dict(), row({{"kind", "volume"}, {"led", true}}).dict(), row({{"key", ""}}).dict()})
    EXPECT_EQ(KSRules::clean(stored).row->dict(), stored);
}

}  // namespace
