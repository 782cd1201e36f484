// The MK rules: reading a stored row (refusals with their messages, what each field reads and falls back to,
// the stored form), the how of a command, sweeping, matching, clashes and ids.
#include "mackie/core/rules.h"

#include <gtest/gtest.h>

#include <limits>

using MKRules::MKRow;
using nlohmann::json;

static MKRow row(std::int64_t id, const char* from, int number, std::optional<int> value = {},
                 const char* command = "play", bool on = true, const char* how = nullptr) {
  return {id, from, number, value, command, how ? how : MKRules::how(command, std::nullopt), on, "", {}, {}};
}

TEST(How, OffersTheChoicesOfTheCommandsKindWithItsDefaultKeepsOnlyAnOfferedOneAndSaysWhatSweeps) {
  // The first choice is the default, except for the held modifiers; an unknown command counts as a button.
  // clang-format off
  const std::tuple<const char*, std::size_t, const char*> kinds[] = {
      {"play", 2, "press"}, {"shift", 2, "hold"}, {"continuestop", 1, "press"}, {"jog", 3, "twos"},
      {"fader1", 2, "7"}, {"volume", 2, "blob"}, {"volumeup", 1, "press"}, {"nosuch", 2, "press"}};
  // clang-format on
  for (const auto& [command, offered, first] : kinds)
    EXPECT_EQ(std::tuple(MKRules::hows(command).size(), MKRules::defaultHow(command)),
              std::tuple(offered, first))
        << command;
  EXPECT_EQ(MKRules::hows("vpot3")[2].label, "Sign-mag");  // shorter than the encoding's own label
  EXPECT_EQ(MKRules::how("shift", "press"), "press");
  EXPECT_EQ(MKRules::how("volume", "SILENT"), "blob");  // not offered (ids are exact): the default
  // An offered how is shown by its label (Says); one that is not, as it is.
  EXPECT_EQ(MKRules::howLabel(row(1, "cc", 1, {}, "fader1", true, "weird")), "weird");
  // Sweeping: whole-range commands and held buttons; relative: the jog wheel and the V-Pots.
  // clang-format off
  const std::tuple<const char*, const char*, bool, bool> byCommand[] = {{"jog", "twos", true, true},
      {"vpot1", "twos", true, true}, {"fader9", "7", true, false}, {"volume", "blob", true, false},
      {"volumeup", "press", false, false}, {"play", "press", false, false}, {"play", "hold", true, false},
      {"nosuch", "press", false, false}};
  // clang-format on
  for (const auto& [command, how, sweeps, relative] : byCommand) {
    const auto r = row(1, "cc", 1, {}, command, true, how);
    EXPECT_EQ(std::pair(MKRules::sweeps(r), MKRules::relative(r)), std::pair(sweeps, relative))
        << command << how;
  }
}

TEST(Matches, NeedsTheRowOnTheSameKindNumberAndValueAndClashesAreTheRowsThatShareOne) {
  const MKRules::MKMsg noteOff{"note", 36, 0, 2};
  EXPECT_TRUE(MKRules::matches(row(1, "note", 36, 0), noteOff) &&
              MKRules::matches(row(1, "note", 36), noteOff));
  for (const auto& other :
       {row(1, "note", 36, 127), row(1, "note", 37), row(1, "cc", 36), row(1, "note", 36, {}, "play", false)})
    EXPECT_FALSE(MKRules::matches(other, noteOff)) << other.from << " " << other.number;
  // A clash: every row that shares an earlier row's message.
  using Ids = std::set<std::int64_t>;
  std::vector<MKRow> rows = {row(1, "cc", 21), row(2, "cc", 21), row(3, "cc", 21, 127), row(4, "note", 21),
                             row(5, "cc", 21)};
  EXPECT_EQ(MKRules::clashes(rows), (Ids{1, 2, 5}));
  rows[0].on = false;
  EXPECT_EQ(MKRules::clashes(rows), (Ids{2, 5}));
  rows[1].on = false;
  EXPECT_EQ(MKRules::clashes(rows), (Ids{}));
  // A fine fader on CC 5 also answers CC 37.
  EXPECT_EQ(MKRules::clashes({row(6, "cc", 5, {}, "fader1", true, "14"), row(7, "cc", 37)}), (Ids{6, 7}));
  EXPECT_EQ(MKRules::clashes({row(8, "cc", 9), row(8, "cc", 9)}), (Ids{}));  // one id: one row
}

TEST(NextIdAndBlank, ANewRowIsAJogOnCcOneWithOneMoreThanTheLargestId) {
  EXPECT_EQ(MKRules::nextId({}), 1);
  EXPECT_EQ(MKRules::nextId({row(-5, "cc", 1)}), -4);
  constexpr auto most = std::numeric_limits<std::int64_t>::max();  // never overflows
  EXPECT_EQ(MKRules::nextId({row(most, "cc", 1), row(1, "cc", 1), row(2, "cc", 1)}), 3);
  EXPECT_EQ(MKRules::blank({row(3, "cc", 1), row(7, "cc", 1)}).dict(), nlohmann::json::parse(R"({
      "id": 8, "from": "cc", "number": 1, "command": "jog", "how": "twos", "on": true, "note": "",
      "invert": true})"));
}

static const json ABSENT(json::value_t::discarded);

static json stored(json fields) {
  json base = {{"id", 1}, {"from", "cc"}, {"number", 21}, {"command", "play"}};
  for (auto& [key, value] : fields.items())
    value.is_discarded() ? void(base.erase(key)) : void(base[key] = value);
  return base;
}

static MKRules::MKRow cleaned(const json& fields) {
  const auto result = MKRules::clean(stored(fields));
  EXPECT_EQ(result.message, "") << fields.dump();
  return result.row.value_or(MKRules::MKRow{});
}

TEST(Clean, RefusesAnUnknownCommandThenAnUnusableNumberSayingWhy) {
  const std::string unknown = "no Mackie command is called ";
  const std::pair<json, std::string> cases[] = {
      {stored({{"command", "JOG"}}), unknown + "\"JOG\""},  // ids are exact
      {stored({{"command", nullptr}}), unknown + "\"<null>\""},
      {stored({{"command", "x"}, {"number", 999}}), unknown + "\"x\""},  // the command is checked first
      {json(5), unknown + "\"\""},                                       // not an object: read as empty
      {stored({{"number", ABSENT}}), "the MIDI number must be from 0 to 127"}};
  for (const auto& [row, message] : cases) {
    const auto result = MKRules::clean(row);
    EXPECT_EQ(std::tuple(result.message, result.row.has_value()), std::tuple(message, false)) << row.dump();
  }
}

// The decimal reading and its rounding are loose_value's; here, which stored types reach them.
TEST(Clean, ReadsTheNumberAndTheIdFromNumbersAndText) {
  // The top of the range as a signed, an unsigned and a decimal number.
  const std::pair<json, std::optional<int>> numbers[] = {
      {json(127), 127},  {json(128), {}},    {json(128u), {}}, {json(126.5), 127},
      {json(127.5), {}}, {json(" 12 "), 12}, {json(true), {}}};
  for (const auto& [number, expected] : numbers) {
    const auto result = MKRules::clean(stored({{"number", number}}));
    EXPECT_EQ(result.row ? std::optional(result.row->number) : std::nullopt, expected) << number.dump();
  }
  const std::pair<json, std::int64_t> ids[] = {
      {json("-7"), -7}, {json(3.0), 3}, {json(3.5), 0}, {json(18446744073709551615u), 0}, {ABSENT, 0}};
  for (const auto& [id, expected] : ids)
    EXPECT_EQ(cleaned({{"id", id}}).id, expected) << id.dump();
}

TEST(Clean, FallsBackForEachOtherFieldKeepsAValueOnlyWithoutSweepingAndAnInvertOnlyWhenRelative) {
  const auto r = cleaned({{"from", 3}, {"on", "yes"}, {"note", nullptr}, {"how", 1}, {"led", "true"}});
  EXPECT_EQ(std::tie(r.from, r.on, r.note, r.how, r.led), std::tuple("cc", true, "", "press", std::nullopt));
  const auto kept = cleaned({{"from", "NoTE"}, {"on", false}, {"note", 12}, {"how", "hold"}, {"led", true}});
  EXPECT_EQ(std::tie(kept.from, kept.on, kept.note, kept.how, kept.led),
            std::tuple("note", false, "12", "hold", true));
  const auto spaced = cleaned({{"from", " note"}, {"note", "  keep  me "}});
  EXPECT_EQ(std::tie(spaced.from, spaced.note), std::tuple("cc", "  keep  me "));
  // clang-format off
  const std::tuple<json, std::optional<int>, std::optional<bool>> cases[] = {
      {{{"command", "fader1"}, {"value", 5}}, {}, {}}, {{{"how", "hold"}, {"value", 5}}, {}, {}},
      {{{"value", 5}}, 5, {}}, {{{"value", " Any "}}, {}, {}}, {{{"value", 200}}, {}, {}},
      {{{"command", "jog"}}, {}, true},  // Live turns the jog wheel the other way
      {{{"command", "vpot1"}}, {}, false}, {{{"command", "jog"}, {"invert", false}}, {}, false},
      {{{"invert", true}}, {}, {}}};
  // clang-format on
  for (const auto& [fields, value, invert] : cases) {
    const auto row = cleaned(fields);
    EXPECT_EQ(std::tuple(row.value, row.invert), std::tuple(value, invert)) << fields.dump();
  }
}

// That it reads back as the same row is a property the fuzz target checks for every row; a row without the
// optional keys, and with an invert, is the blank row above.
TEST(Dict, WritesTheFixedKeysAndTheOptionalOnesOnlyWhenSet) {
  EXPECT_EQ(cleaned({{"value", 127}, {"note", "pad 1"}, {"led", true}}).dict(), json::parse(R"({
      "id": 1, "from": "cc", "number": 21, "command": "play", "how": "press", "on": true, "note": "pad 1",
      "value": 127, "led": true})"));
}
