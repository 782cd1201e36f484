// Reading a stored MK row: refusals with their messages, every field's fallback, and the stored form.
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
  EXPECT_EQ(result.message, "");
  return result.row.value_or(MKRules::MKRow{});
}

TEST(Clean, RefusesAnUnknownCommandThenAnUnusableNumberSayingWhy) {
  const std::string unknown = "no Mackie command is called ",
                    badNumber = "the MIDI number must be from 0 to 127";
  const std::pair<json, std::string> cases[] = {
      {stored({{"command", "nosuch"}}), unknown + "\"nosuch\""},
      {stored({{"command", ABSENT}}), unknown + "\"\""},
      {stored({{"command", nullptr}}), unknown + "\"<null>\""},
      {stored({{"command", 5}}), unknown + "\"5\""},
      {stored({{"command", "x"}, {"number", 999}}), unknown + "\"x\""},  // the command is checked first
      {json(), unknown + "\"\""},  // a stored row that is not an object reads as empty
      {json(5), unknown + "\"\""},
      {json("row"), unknown + "\"\""},
      {json::array({1, 2}), unknown + "\"\""},
      {stored({{"number", 127.5}}), badNumber},
      {stored({{"number", "12a"}}), badNumber},
      {stored({{"number", ABSENT}}), badNumber}};
  for (const auto& [row, message] : cases) {
    const auto result = MKRules::clean(row);
    EXPECT_EQ(result.message, message) << row.dump();
    EXPECT_FALSE(result.row) << row.dump();
  }
  EXPECT_EQ(cleaned({{"number", 126.5}}).number, 127);
}

TEST(Clean, ReadsTheIdFromIntegersOrIntegerTextElseZero) {
  const std::pair<json, std::int64_t> cases[] = {
      {json(42), 42},   {json("-7"), -7}, {json("+7"), 7},
      {json(3.0), 3},   {json(3.5), 0},   {json("seven"), 0},
      {json(" 7"), 0},  {json(true), 0},  {json(18446744073709551615u), 0},
      {json(1e300), 0}, {ABSENT, 0}};
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
  EXPECT_EQ(cleaned({{"from", "Note"}}).from, "note");
  EXPECT_FALSE(cleaned({{"on", false}}).on);
  EXPECT_EQ(cleaned({{"led", true}}).led, true);
  EXPECT_EQ(cleaned({{"led", false}}).led, std::nullopt);
}

TEST(Clean, KeepsAValueOnlyForRowsThatDoNotSweep) {
  EXPECT_EQ(cleaned({{"command", "fader1"}, {"value", 5}}).value, std::nullopt);
  EXPECT_EQ(cleaned({{"command", "play"}, {"how", "hold"}, {"value", 5}}).value, std::nullopt);
  EXPECT_EQ(cleaned({{"command", "play"}, {"how", "press"}, {"value", 5}}).value, 5);
}

TEST(Clean, GivesEachCommandItsHowAndInvert) {
  EXPECT_EQ(cleaned({{"command", "playstop"}, {"how", "hold"}}).how, "press");
  EXPECT_EQ(cleaned({{"command", "shift"}}).how, "hold");
  const auto jog = cleaned({{"command", "jog"}});
  EXPECT_EQ(jog.how, "twos");
  EXPECT_EQ(jog.invert, true);
  EXPECT_EQ(cleaned({{"command", "jog"}, {"invert", false}}).invert, false);
  EXPECT_EQ(cleaned({{"command", "jog"}, {"invert", "false"}}).invert, true);
  EXPECT_EQ(cleaned({{"command", "play"}, {"invert", true}}).invert, std::nullopt);
}

TEST(Clean, SurvivesHugeTexts) {
  const std::string huge(1 << 20, '7');
  EXPECT_EQ(MKRules::clean(stored({{"number", huge}})).message, "the MIDI number must be from 0 to 127");
  EXPECT_EQ(cleaned({{"note", huge}}).note.size(), huge.size());
  EXPECT_EQ(cleaned({{"id", huge}}).id, 0);
  EXPECT_EQ(MKRules::clean(stored({{"command", huge}})).message.size(), huge.size() + 30);
}

TEST(Dict, WritesTheFixedKeysAndTheOptionalOnesOnlyWhenSet) {
  EXPECT_EQ(cleaned({{"command", "play"}, {"value", 127}, {"note", "pad 1"}}).dict(), json::parse(R"({
      "id": 1, "from": "cc", "number": 21, "command": "play", "how": "press", "on": true, "note": "pad 1",
      "value": 127})"));
  EXPECT_EQ(cleaned({{"command", "jog"}, {"led", true}}).dict(), json::parse(R"({
      "id": 1, "from": "cc", "number": 21, "command": "jog", "how": "twos", "on": true, "note": "",
      "invert": true, "led": true})"));
}

TEST(Dict, ReadsBackAsTheSameRow) {
  for (const char* command : {"play", "jog", "vpot2", "fader9", "continuestop", "volume", "shift"}) {
    const auto r = cleaned({{"command", command}, {"note", "x"}, {"from", "note"}, {"value", 3}});
    const auto again = MKRules::clean(r);
    ASSERT_TRUE(again.row) << command;
    EXPECT_EQ(*again.row, r) << command;
  }
}

}  // namespace
