// Reading a stored MK row: refusals with their messages, what each field reads and falls back to, and the
// stored form. The decimal reading and rounding themselves are loose_value's.
#include <gtest/gtest.h>

#include "mackie/core/rules.h"

namespace {

using nlohmann::json;

const json ABSENT(json::value_t::discarded);

json stored(json fields) {
  json base = {{"id", 1}, {"from", "cc"}, {"number", 21}, {"command", "play"}};
  for (auto& [key, value] : fields.items()) {
    if (value.is_discarded())
      base.erase(key);
    else
      base[key] = value;
  }
  return base;
}

MKRules::MKRow cleaned(const json& fields) {
  const auto result = MKRules::clean(stored(fields));
  EXPECT_EQ(result.message, "") << fields.dump();
  return result.row.value_or(MKRules::MKRow{});
}

TEST(Clean, RefusesAnUnknownCommandThenAnUnusableNumberSayingWhy) {
  const std::string unknown = "no Mackie command is called ",
                    badNumber = "the MIDI number must be from 0 to 127";
  const std::pair<json, std::string> cases[] = {
      {stored({{"command", "JOG"}}), unknown + "\"JOG\""},  // ids are exact
      {stored({{"command", ABSENT}}), unknown + "\"\""},
      {stored({{"command", nullptr}}), unknown + "\"<null>\""},
      {stored({{"command", 5}}), unknown + "\"5\""},
      {stored({{"command", "x"}, {"number", 999}}), unknown + "\"x\""},  // the command is checked first
      {json(5), unknown + "\"\""},                                       // not an object: read as empty
      {stored({{"number", ABSENT}}), badNumber}};
  for (const auto& [row, message] : cases) {
    const auto result = MKRules::clean(row);
    EXPECT_EQ(result.message, message) << row.dump();
    EXPECT_FALSE(result.row) << row.dump();
  }
}

TEST(Clean, ReadsTheNumberFromNumbersAndTrimmedTextRoundedHalfUpWithinTheMidiRange) {
  using U64 = std::numeric_limits<std::uint64_t>;
  const std::pair<json, std::optional<int>> cases[] = {
      {json(0), 0},           {json(127), 127},      {json(128), {}}, {json(-1), {}},
      {json(126.5), 127},     {json(127.5), {}},     {json(-0.5), 0}, {json(" 12 "), 12},
      {json("12a"), {}},      {json(true), {}},      {json(), {}},    {json("1e2"), 100},
      {json(U64::max()), {}}, {json::array({1}), {}}};
  for (const auto& [number, expected] : cases) {
    const auto result = MKRules::clean(stored({{"number", number}}));
    EXPECT_EQ(result.row ? std::optional(result.row->number) : std::nullopt, expected) << number.dump();
  }
}

TEST(Clean, ReadsTheIdFromIntegersOrIntegerTextElseZero) {
  // clang-format off
  const std::pair<json, std::int64_t> cases[] = {
      {json(42), 42}, {json("-7"), -7}, {json(3.0), 3}, {json(3.5), 0}, {json("seven"), 0}, {json(true), 0},
      {json(18446744073709551615u), 0}, {json(1e300), 0}, {ABSENT, 0}};
  // clang-format on
  for (const auto& [id, expected] : cases)
    EXPECT_EQ(cleaned({{"id", id}}).id, expected) << id.dump();
}

TEST(Clean, FallsBackForEveryOtherField) {
  const auto r = cleaned({{"from", 3}, {"on", "yes"}, {"note", nullptr}, {"how", 1}, {"led", "true"}});
  EXPECT_EQ(r.from, "cc");
  EXPECT_TRUE(r.on);
  EXPECT_EQ(r.note, "");
  EXPECT_EQ(r.how, "press");
  EXPECT_EQ(r.led, std::nullopt);
  EXPECT_EQ(cleaned({{"note", 12}}).note, "12");
  EXPECT_EQ(cleaned({{"note", "  keep  me "}}).note, "  keep  me ");
  const std::pair<json, const char*> froms[] = {
      {json("NoTE"), "note"}, {json(" note"), "cc"}, {json("nota"), "cc"}};
  for (const auto& [from, expected] : froms)
    EXPECT_EQ(cleaned({{"from", from}}).from, expected) << from;
  EXPECT_FALSE(cleaned({{"on", false}}).on);
  EXPECT_EQ(cleaned({{"how", "hold"}}).how, "hold");
  EXPECT_EQ(cleaned({{"led", true}}).led, true);
  EXPECT_EQ(cleaned({{"led", false}}).led, std::nullopt);
}

TEST(Clean, KeepsAValueOnlyForRowsThatDoNotSweepAndAnInvertOnlyForRelativeOnes) {
  EXPECT_EQ(cleaned({{"command", "fader1"}, {"value", 5}}).value, std::nullopt);
  EXPECT_EQ(cleaned({{"how", "hold"}, {"value", 5}}).value, std::nullopt);
  EXPECT_EQ(cleaned({{"value", 5}}).value, 5);
  EXPECT_EQ(cleaned({{"value", " Any "}}).value, std::nullopt);
  EXPECT_EQ(cleaned({{"value", 200}}).value, std::nullopt);
  EXPECT_EQ(cleaned({{"command", "jog"}}).invert, true);  // Live turns the jog wheel the other way
  EXPECT_EQ(cleaned({{"command", "vpot1"}}).invert, false);
  EXPECT_EQ(cleaned({{"command", "jog"}, {"invert", false}}).invert, false);
  EXPECT_EQ(cleaned({{"command", "jog"}, {"invert", "false"}}).invert, true);
  EXPECT_EQ(cleaned({{"invert", true}}).invert, std::nullopt);
}

TEST(Dict, WritesTheFixedKeysAndTheOptionalOnesOnlyWhenSetAndReadsBackAsTheSameRow) {
  EXPECT_EQ(cleaned({{"command", "play"}, {"value", 127}, {"note", "pad 1"}}).dict(), json::parse(R"({
      "id": 1, "from": "cc", "number": 21, "command": "play", "how": "press", "on": true, "note": "pad 1",
      "value": 127})"));
  EXPECT_EQ(cleaned({{"command", "jog"}, {"led", true}}).dict(), json::parse(R"({
      "id": 1, "from": "cc", "number": 21, "command": "jog", "how": "twos", "on": true, "note": "",
      "invert": true, "led": true})"));
  for (const char* command : {"play", "jog", "fader9", "continuestop", "volume", "shift"}) {
    const auto r = cleaned({{"command", command}, {"note", "x"}, {"from", "note"}, {"value", 3}});
    EXPECT_EQ(MKRules::clean(r).row, r) << command;
  }
}

}  // namespace
