// The Key Stroke rules: reading a stored row (refusals, leniencies, the stored form), matching, firing, the
// row texts and clashes. That any stored row reads back to itself and stays within its ranges is fuzzed.
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

// The number readers are loose_value's; here, which stored types reach them.
TEST(KSClean, RefusesUnknownKindsAndNumbersOutOfRangeAndReadsEachFieldLeniently) {
  EXPECT_EQ(cleanWith({{"kind", "Volume"}}).message, "unknown kind: Volume");
  const std::pair<json, std::optional<int>> numbers[] = {
      {json("12.5"), 13}, {json(true), 1}, {json(" 9 "), 9}, {json(128), {}}, {json::array(), {}}};
  for (const auto& [cc, expected] : numbers) {
    const auto c = cleanWith({{"cc", cc}});
    EXPECT_EQ(c.row ? std::optional(c.row->cc) : std::nullopt, expected) << cc.dump();
    EXPECT_EQ(c.message, expected ? "" : "the MIDI number must be from 0 to 127");
  }
  for (const json& any : {json("ANY"), json(128), json(true)})
    EXPECT_EQ(row({{"value", any}}).value, std::nullopt) << any.dump();
  const auto r =
      row({{"value", "64"}, {"type", "N"}, {"id", "41.5"}, {"on", 0}, {"note", 5}, {"led", "true"}});
  EXPECT_EQ(std::tuple(r.value, r.type, r.id, r.on, r.note, r.led),
            std::tuple(64, "note", 42, true, "5", false));
  EXPECT_EQ(row({{"type", " note"}, {"on", false}}).type, "cc");
  // Only ASCII is lowered, unless the key is one character.
  const std::pair<json, std::optional<std::string>> keys[] = {
      {"Return", "return"}, {"É", "é"}, {"ÉA", "Éa"}, {"", std::nullopt}};
  for (const auto& [stored, key] : keys)
    EXPECT_EQ(row({{"key", stored}}).key, key) << stored;
  EXPECT_EQ(row({{"mods", {"Shift", "cmd", "cmd", "command", 1}}}).mods,
            (std::vector<std::string>{"cmd", "shift"}));
}

TEST(KSDict, WritesModsForEveryKeyRowOnly) {
  const auto v = row({{"kind", "volume"}, {"value", 5}, {"mods", {"cmd"}}, {"led", true}});
  // A volume row sweeps the whole range: it keeps no value of its own.
  EXPECT_EQ(std::tuple(KSRules::valueText(v), v.value, v.dict().contains("mods")),
            std::tuple("0-127", std::nullopt, false));
  // clang-format off
  EXPECT_EQ(row({{"type", "note"}, {"value", 3}, {"note", "pad"}}).dict(),
            (json{{"id", 1}, {"cc", 7}, {"type", "note"}, {"kind", "key"}, {"on", true}, {"note", "pad"}, {"value", 3},
                  {"mods", json::array()}, {"key", "a"}}));
  // clang-format on
}

TEST(KSRules, MatchesOnTypeNumberAndValueAndFiresEveryMatchingRowInOrder) {
  // clang-format off
  const std::tuple<json, int, int, const char*, bool> cases[] = {
      {{}, 7, 99, "CC", true}, {{}, 7, 99, "note", false}, {{}, 7 + 256, 99, "cc", false},
      {{{"value", 99}}, 7, 98, "cc", false}, {{{"on", false}}, 7, 99, "cc", false},
      {{{"key", nullptr}}, 7, 99, "cc", false},
      // A note-on of 0 is a release, answered only by a row asking for exactly 0; a CC of 0 is a value.
      {{{"type", "note"}}, 7, 0, "note", false}, {{{"type", "note"}, {"value", 0}}, 7, 0, "note", true},
      {{{"type", "note"}}, 7, 1, "n", true}, {{}, 7, 0, "cc", true},
      // The top of the range: number 127 and value 127 are messages like any other.
      {{{"cc", 127}}, 127, 5, "cc", true}, {{{"cc", 127}, {"type", "note"}}, 127, 5, "note", true},
      {{{"value", 127}}, 7, 127, "cc", true},
  };
  // clang-format on
  for (const auto& [fields, number, value, type, matches] : cases)
    EXPECT_EQ(KSRules::matches(row(fields), number, value, type), matches) << fields.dump();

  const std::vector<KSRow> rows = {row({{"mods", {"cmd"}}}), row({{"id", 2}, {"kind", "volume"}}),
                                   row({{"cc", 8}}), row({{"id", 4}, {"key", "space"}})};
  const auto acts = KSRules::fire(rows, 7, 64, "cc");
  ASSERT_EQ(acts.size(), 3u);
  EXPECT_EQ(std::get<KSRules::KeyAct>(acts[0]).mods, std::vector<std::string>{"cmd"});
  EXPECT_EQ(std::get<KSRules::VolumeAct>(acts[1]).percent, 50);
  EXPECT_EQ(std::get<KSRules::KeyAct>(acts[2]).row.id, 4);
  for (const auto& [v, percent] : {std::pair{0, 0}, {127, 100}, {1, 1}, {126, 99}, {128, 0}})
    EXPECT_EQ(std::get<KSRules::VolumeAct>(KSRules::fire({rows[1]}, 7, v, "cc")[0]).percent, percent);
}

TEST(KSRules, ShowsTheMessageValueAndTargetAndClashesAreRowsOnOneMessage) {
  // clang-format off
  const std::pair<std::string, std::string> texts[] = {
      {KSRules::midiText(row({{"cc", 64}})), "CC 64"}, {KSRules::midiText(row({{"cc", 60}, {"type", "note"}})), "N 60"},
      {KSRules::valueText(row()), "any"}, {KSRules::valueText(row({{"value", 0}})), "0"},
      {KSRules::target(row({{"kind", "volume"}})), "System volume"}, {KSRules::target(row({{"key", nullptr}})), ""},
      {KSRules::target(row({{"key", "s"}, {"mods", {"shift", "cmd"}}})), "Super+Shift+S"}};
  // clang-format on
  for (const auto& [shown, expected] : texts)
    EXPECT_EQ(shown, expected);
  std::vector<KSRow> rows = {row(), row({{"id", 2}, {"kind", "volume"}}), row({{"id", 3}, {"value", 5}}),
                             row({{"id", 4}, {"type", "note"}})};
  EXPECT_EQ(KSRules::clashes(rows), (std::set<std::int64_t>{1, 2}));
  rows[0].on = false;
  EXPECT_TRUE(KSRules::clashes(rows).empty());
}

// The one place where the text of a chord is checked: every screen, log and trace line shows this text.
TEST(KSRules, ChordsAreWrittenAsTheDesktopWritesShortcutsAndKeepNoMacSymbol) {
  // Modifiers in the desktop's order, whatever order they come in; the key by its desktop name (delete is the
  // key a Mac calls delete). fn has no key here: nothing presses it, so nothing shows it. What the tables do
  // not know is shown as it is written.
  // clang-format off
  const std::tuple<std::vector<std::string>, const char*, const char*> chords[] = {
      {{"shift", "ctrl"}, "s", "Ctrl+Shift+S"}, {{"shift", "alt", "ctrl", "cmd"}, "s", "Super+Ctrl+Alt+Shift+S"},
      {{"cmd"}, "f5", "Super+F5"}, {{"alt"}, "left", "Alt+Left"}, {{}, "f20", "F20"}, {{}, "escape", "Esc"},
      {{"ctrl"}, "delete", "Ctrl+Backspace"}, {{}, "forwarddelete", "Del"}, {{"alt"}, "space", "Alt+Space"},
      {{}, "pageup", "PgUp"}, {{"ctrl"}, "pad3", "Ctrl+Num+3"}, {{}, "pad+", "Num++"}, {{}, "ω", "Ω"},
      {{}, "padenter", "Num+Enter"}, {{}, "rightcmd", "Right Super"}, {{"ctrl"}, ",", "Ctrl+,"},
      {{"fn", "ctrl"}, "f5", "Ctrl+F5"}, {{"fn"}, "fn", "Fn"}, {{"hyper", "shift"}, "f21", "Shift+hyper+f21"}};
  // clang-format on
  for (const auto& [mods, key, text] : chords)
    EXPECT_EQ(KSRules::chord(mods, key), text) << key;
}

}  // namespace
