// Reading a stored MK row: refusals with their messages, what each field reads and falls back to, and the
// stored form.
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
      {stored({{"command", nullptr}}), unknown + "\"<null>\""},
      {stored({{"command", "x"}, {"number", 999}}), unknown + "\"x\""},  // the command is checked first
      {json(5), unknown + "\"\""},                                       // not an object: read as empty
      {stored({{"number", ABSENT}}), badNumber}};
  for (const auto& [row, message] : cases) {
    const auto result = MKRules::clean(row);
    EXPECT_EQ(result.message, message) << row.dump();
    EXPECT_FALSE(result.row) << row.dump();
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

TEST(Clean, FallsBackForEveryOtherFieldAndKeepsWhatIsUsable) {
  const auto r = cleaned({{"from", 3}, {"on", "yes"}, {"note", nullptr}, {"how", 1}, {"led", "true"}});
  EXPECT_EQ(std::tie(r.from, r.on, r.note, r.how), std::tuple("cc", true, "", "press"));
  EXPECT_EQ(r.led, std::nullopt);
  const auto kept = cleaned({{"from", "NoTE"}, {"on", false}, {"note", 12}, {"how", "hold"}, {"led", true}});
  EXPECT_EQ(std::tie(kept.from, kept.on, kept.note, kept.how), std::tuple("note", false, "12", "hold"));
  EXPECT_EQ(kept.led, true);
  EXPECT_EQ(cleaned({{"from", " note"}}).from, "cc");
  EXPECT_EQ(cleaned({{"note", "  keep  me "}}).note, "  keep  me ");
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
  EXPECT_EQ(cleaned({{"invert", true}}).invert, std::nullopt);
}

TEST(Dict, WritesTheFixedKeysAndTheOptionalOnesOnlyWhenSetAndReadsBackAsTheSameRow) {
  EXPECT_EQ(cleaned({{"command", "play"}, {"value", 127}, {"note", "pad 1"}}).dict(), json::parse(R"({
      "id": 1, "from": "cc", "number": 21, "command": "play", "how": "press", "on": true, "note": "pad 1",
      "value": 127})"));
  EXPECT_EQ(cleaned({{"command", "jog"}, {"led", true}}).dict(), json::parse(R"({
      "id": 1, "from": "cc", "number": 21, "command": "jog", "how": "twos", "on": true, "note": "",
      "invert": true, "led": true})"));
  for (const char* command : {"play", "jog", "fader9", "volume"}) {
    const auto r = cleaned({{"command", command}, {"note", "x"}, {"from", "note"}, {"value", 3}});
    EXPECT_EQ(MKRules::clean(r).row, r) << command;
  }
}

}  // namespace
