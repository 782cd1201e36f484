// Reading a stored MK row: refusals with their messages, what each field reads and falls back to, and the
// stored form.
#include <gtest/gtest.h>

#include "mackie/core/rules.h"

using nlohmann::json;

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
  const std::pair<json, std::optional<int>> numbers[] = {
      {json(127), 127}, {json(128), {}}, {json(126.5), 127}, {json(" 12 "), 12}, {json(true), {}}};
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

// That it reads back as the same row is a property the fuzz target checks for every row.
TEST(Dict, WritesTheFixedKeysAndTheOptionalOnesOnlyWhenSet) {
  EXPECT_EQ(cleaned({{"command", "play"}, {"value", 127}, {"note", "pad 1"}}).dict(), json::parse(R"({
      "id": 1, "from": "cc", "number": 21, "command": "play", "how": "press", "on": true, "note": "pad 1",
      "value": 127})"));
  EXPECT_EQ(cleaned({{"command", "jog"}, {"led", true}}).dict(), json::parse(R"({
      "id": 1, "from": "cc", "number": 21, "command": "jog", "how": "twos", "on": true, "note": "",
      "invert": true, "led": true})"));
}
