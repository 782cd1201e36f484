// Reading a stored MK row: refusals with their messages, every field's fallback, and the stored form.
#include <gtest/gtest.h>

#include "mackie/core/rules.h"

namespace {

using nlohmann::json;

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

TEST(Clean, RefusesAnUnknownCommandNamingIt) {
  EXPECT_EQ(MKRules::clean(stored({{"command", "nosuch"}})).message,
            "no Mackie command is called \"nosuch\"");
  EXPECT_EQ(MKRules::clean(stored({{"command", json(json::value_t::discarded)}})).message,
            "no Mackie command is called \"\"");
  EXPECT_EQ(MKRules::clean(stored({{"command", nullptr}})).message, "no Mackie command is called \"<null>\"");
  EXPECT_EQ(MKRules::clean(stored({{"command", 5}})).message, "no Mackie command is called \"5\"");
  EXPECT_FALSE(MKRules::clean(stored({{"command", "nosuch"}})).row);
}

TEST(Clean, RefusesAnUnusableNumber) {
  for (const json& bad : {json(127.5), json(128), json(-1), json("12a"), json(""), json(nullptr), json(true),
                          json(json::value_t::discarded)}) {
    const auto result = MKRules::clean(stored({{"number", bad}}));
    EXPECT_EQ(result.message, "the MIDI number must be from 0 to 127") << bad.dump();
    EXPECT_FALSE(result.row);
  }
  EXPECT_EQ(cleaned({{"number", 126.5}}).number, 127);
  EXPECT_EQ(cleaned({{"number", -0.4}}).number, 0);
  EXPECT_EQ(cleaned({{"number", " 12 "}}).number, 12);
}

TEST(Clean, ChecksTheCommandBeforeTheNumber) {
  EXPECT_EQ(MKRules::clean(stored({{"command", "x"}, {"number", 999}})).message,
            "no Mackie command is called \"x\"");
}

TEST(Clean, ReadsTheIdFromIntegersOrIntegerTextElseZero) {
  EXPECT_EQ(cleaned({{"id", 42}}).id, 42);
  EXPECT_EQ(cleaned({{"id", "-7"}}).id, -7);
  EXPECT_EQ(cleaned({{"id", "+7"}}).id, 7);
  EXPECT_EQ(cleaned({{"id", 3.0}}).id, 3);
  EXPECT_EQ(cleaned({{"id", 3.5}}).id, 0);
  EXPECT_EQ(cleaned({{"id", "seven"}}).id, 0);
  EXPECT_EQ(cleaned({{"id", " 7"}}).id, 0);
  EXPECT_EQ(cleaned({{"id", true}}).id, 0);
  EXPECT_EQ(cleaned({{"id", 18446744073709551615u}}).id, 0);
  EXPECT_EQ(cleaned({{"id", 1e300}}).id, 0);
  EXPECT_EQ(cleaned({{"id", json(json::value_t::discarded)}}).id, 0);
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
}

TEST(Clean, KeepsAValueOnlyForRowsThatDoNotSweep) {
  EXPECT_EQ(cleaned({{"command", "fader1"}, {"value", 5}}).value, std::nullopt);
  EXPECT_EQ(cleaned({{"command", "play"}, {"how", "hold"}, {"value", 5}}).value, std::nullopt);
  EXPECT_EQ(cleaned({{"command", "play"}, {"how", "press"}, {"value", 5}}).value, 5);
  EXPECT_EQ(cleaned({{"value", 64.4}}).value, 64);
  EXPECT_EQ(cleaned({{"value", "ANY"}}).value, std::nullopt);
  EXPECT_EQ(cleaned({{"value", 300}}).value, std::nullopt);
}

TEST(Clean, GivesEachCommandItsHowAndInvert) {
  EXPECT_EQ(cleaned({{"command", "playstop"}, {"how", "hold"}}).how, "press");
  EXPECT_EQ(cleaned({{"command", "shift"}}).how, "hold");
  EXPECT_EQ(cleaned({{"command", "jog"}}).how, "twos");
  EXPECT_EQ(cleaned({{"command", "jog"}}).invert, true);
  EXPECT_EQ(cleaned({{"command", "jog"}, {"invert", false}}).invert, false);
  EXPECT_EQ(cleaned({{"command", "jog"}, {"invert", "false"}}).invert, true);
  EXPECT_EQ(cleaned({{"command", "vpot1"}}).invert, false);
  EXPECT_EQ(cleaned({{"command", "play"}, {"invert", true}}).invert, std::nullopt);
}

TEST(Clean, KeepsLedOnlyWhenTrue) {
  EXPECT_EQ(cleaned({{"led", true}}).led, true);
  const auto off = cleaned({{"led", false}});
  EXPECT_EQ(off.led, std::nullopt);
  EXPECT_FALSE(off.dict().contains("led"));
}

TEST(Clean, TreatsAStoredRowThatIsNotAnObjectAsEmpty) {
  for (const json& notARow : {json(), json(5), json("row"), json::array({1, 2})})
    EXPECT_EQ(MKRules::clean(notARow).message, "no Mackie command is called \"\"") << notARow.dump();
}

TEST(Clean, SurvivesHugeTexts) {
  const std::string huge(1 << 20, '7');
  EXPECT_EQ(MKRules::clean(stored({{"number", huge}})).message, "the MIDI number must be from 0 to 127");
  EXPECT_EQ(cleaned({{"note", huge}}).note.size(), huge.size());
  EXPECT_EQ(cleaned({{"id", huge}}).id, 0);
  EXPECT_EQ(MKRules::clean(stored({{"command", huge}})).message.size(), huge.size() + 30);
}

TEST(Dict, WritesTheFixedKeysAndTheOptionalOnesOnlyWhenSet) {
  const auto press = cleaned({{"command", "play"}, {"value", 127}, {"note", "pad 1"}});
  EXPECT_EQ(press.dict(), (json{{"id", 1},
                                {"from", "cc"},
                                {"number", 21},
                                {"command", "play"},
                                {"how", "press"},
                                {"on", true},
                                {"note", "pad 1"},
                                {"value", 127}}));
  const auto jog = cleaned({{"command", "jog"}, {"led", true}});
  EXPECT_EQ(jog.dict(), (json{{"id", 1},
                              {"from", "cc"},
                              {"number", 21},
                              {"command", "jog"},
                              {"how", "twos"},
                              {"on", true},
                              {"note", ""},
                              {"invert", true},
                              {"led", true}}));
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
