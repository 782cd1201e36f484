// The MK rules: lenient readers, the how of a command, row texts, matching, clashes and ids.
#include "mackie/core/rules.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

using MKRules::MKMsg;
using MKRules::MKRow;
using nlohmann::json;

MKRow row(std::int64_t id, const char* from, int number, std::optional<int> value = {},
          const char* command = "play", bool on = true) {
  MKRow r;
  r.id = id;
  r.from = from;
  r.number = number;
  r.value = value;
  r.command = command;
  r.how = MKRules::how(command, std::nullopt);
  r.on = on;
  return r;
}

TEST(From, ReadsNoteInAnyCaseAndEverythingElseAsCc) {
  const std::pair<json, const char*> cases[] = {{json(), "cc"},         {json("note"), "note"},
                                                {json("NOTE"), "note"}, {json(" note"), "cc"},  // not trimmed
                                                {json("cc"), "cc"},     {json("n"), "cc"},
                                                {json(1), "cc"}};
  for (const auto& [stored, expected] : cases)
    EXPECT_EQ(MKRules::from(stored), expected) << stored.dump();
  EXPECT_EQ(MKRules::from("Note"), "note");
}

TEST(Number, ReadsJsonNumbersAndNumericTextRoundedHalfUp) {
  using U64 = std::numeric_limits<std::uint64_t>;
  using I64 = std::numeric_limits<std::int64_t>;
  const std::pair<json, std::optional<int>> cases[] = {
      {json(12), 12},           {json(0), 0},        {json(127), 127},       {json(128), {}},
      {json(-1), {}},           {json(126.5), 127},  {json(127.5), {}},      {json(-0.4), 0},
      {json(-0.5), 0},          {json("-0.5"), 0},   {json(64.4), 64},       {json(" 12 "), 12},
      {json("12a"), {}},        {json(""), {}},      {json("1e2"), 100},     {json("0x10"), {}},
      {json(true), {}},         {json(), {}},        {json::array({1}), {}}, {json::object(), {}},
      {json(1e300), {}},        {json("nan"), {}},   {json(U64::max()), {}}, {json(I64::min()), {}},
      {json(std::nan("")), {}}, {json(INFINITY), {}}};
  for (const auto& [stored, expected] : cases)
    EXPECT_EQ(MKRules::number(stored), expected) << stored.dump();
}

TEST(Value, ReadsTheAnyWordsAsAnyValue) {
  for (const json& any : {json("any"), json("ANY"), json(" Any "), json("*"), json("-"), json(""), json()})
    EXPECT_EQ(MKRules::value(any), std::nullopt) << any.dump();
  EXPECT_EQ(MKRules::value(json(64.4)), 64);
  EXPECT_EQ(MKRules::value(json("127")), 127);
  EXPECT_EQ(MKRules::value(json(200)), std::nullopt);
}

TEST(How, OffersTheChoicesOfTheCommandsKindAndLabelsThem) {
  EXPECT_EQ(MKRules::hows("play").size(), 2u);          // press, hold
  EXPECT_EQ(MKRules::hows("continuestop").size(), 1u);  // a combination only presses
  EXPECT_EQ(MKRules::hows("continuestop")[0].says,
            "the modifier goes down, the button is pressed and released, the modifier comes up");
  EXPECT_EQ(MKRules::hows("jog")[2].label, "Sign-mag");
  EXPECT_EQ(MKRules::hows("vpot3")[0].says, "the E16's CC Rel 1: 1 right, 127 left");
  EXPECT_EQ(MKRules::hows("nosuch")[1].id, "hold");  // an unknown command is treated as a button

  const std::pair<const char*, const char*> defaults[] = {{"shift", "hold"}, {"alt", "hold"},
                                                          {"play", "press"}, {"jog", "twos"},
                                                          {"fader1", "7"},   {"volume", "blob"}};
  for (const auto& [command, how] : defaults)
    EXPECT_EQ(MKRules::defaultHow(command), how) << command;

  EXPECT_EQ(MKRules::how("playstop", "hold"), "press");  // not offered: the default
  EXPECT_EQ(MKRules::how("shift", std::nullopt), "hold");
  EXPECT_EQ(MKRules::how("shift", "press"), "press");
  EXPECT_EQ(MKRules::how("fader2", "14"), "14");
  EXPECT_EQ(MKRules::how("volume", "SILENT"), "blob");  // ids are exact

  auto r = row(1, "cc", 1, {}, "fader1");
  r.how = "14";
  EXPECT_EQ(MKRules::howLabel(r), "14-BIT");
  r.how = "weird";  // not offered: shown as it is
  EXPECT_EQ(MKRules::howLabel(r), "weird");
}

TEST(Invert, AppliesOnlyToJogAndVpotsWithTheirDefaults) {
  EXPECT_EQ(MKRules::invert("jog", std::nullopt), true);
  EXPECT_EQ(MKRules::invert("jog", false), false);
  EXPECT_EQ(MKRules::invert("vpot1", std::nullopt), false);
  EXPECT_EQ(MKRules::invert("vpot1", true), true);
  EXPECT_EQ(MKRules::invert("play", true), std::nullopt);
  EXPECT_EQ(MKRules::invert("nosuch", true), std::nullopt);
}

TEST(Sweeps, HoldsForWholeRangeCommandsAndHeldButtons) {
  const std::pair<const char*, bool> byCommand[] = {
      {"jog", true},       {"vpot1", true}, {"fader9", true},        {"volume", true}, {"volumeup", false},
      {"playstop", false}, {"play", false}, {"continuestop", false}, {"nosuch", false}};
  for (const auto& [command, sweeps] : byCommand)
    EXPECT_EQ(MKRules::sweeps(row(1, "cc", 1, {}, command)), sweeps) << command;
  auto held = row(1, "cc", 1, {}, "play");
  held.how = "hold";
  EXPECT_TRUE(MKRules::sweeps(held));
  EXPECT_TRUE(MKRules::relative(row(1, "cc", 1, {}, "vpot8")));
  EXPECT_FALSE(MKRules::relative(row(1, "cc", 1, {}, "fader8")));
}

TEST(RowTexts, ShowTheSourceAndTheValueColumn) {
  EXPECT_EQ(MKRules::fromText(row(1, "cc", 21)), "CC 21");
  EXPECT_EQ(MKRules::fromText(row(1, "note", 36)), "NOTE 36");
  EXPECT_EQ(MKRules::valueText(row(1, "cc", 21)), "any");
  EXPECT_EQ(MKRules::valueText(row(1, "cc", 21, 127)), "127");
  EXPECT_EQ(MKRules::valueText(row(1, "cc", 21, 0)), "0");
  EXPECT_EQ(MKRules::valueText(row(1, "cc", 21, {}, "jog")), "0-127");
}

TEST(Matches, NeedsTheRowOnTheSameKindNumberAndValue) {
  const MKMsg noteOff{"note", 36, 0, 2};
  EXPECT_TRUE(MKRules::matches(row(1, "note", 36, 0), noteOff));
  EXPECT_TRUE(MKRules::matches(row(1, "note", 36), noteOff));
  EXPECT_FALSE(MKRules::matches(row(1, "note", 36, 127), noteOff));
  EXPECT_FALSE(MKRules::matches(row(1, "note", 37), noteOff));
  EXPECT_FALSE(MKRules::matches(row(1, "cc", 36), noteOff));
  EXPECT_FALSE(MKRules::matches(row(1, "note", 36, {}, "play", false), noteOff));
  EXPECT_TRUE(MKRules::matches(row(1, "note", 36), MKMsg{"NOTE", 36, 5, std::nullopt}));
  // Out-of-range message bytes never match, even a row without a value.
  EXPECT_FALSE(MKRules::matches(row(1, "cc", 0), MKMsg{"cc", 256, 0, {}}));
  EXPECT_FALSE(MKRules::matches(row(1, "cc", 0, 0), MKMsg{"cc", 0, -128, {}}));
}

TEST(Clashes, ReportsEveryRowThatSharesAnEarlierRowsMessage) {
  std::vector<MKRow> rows = {row(1, "cc", 21), row(2, "cc", 21), row(3, "cc", 21, 127), row(4, "note", 21),
                             row(5, "cc", 21)};
  EXPECT_EQ(MKRules::clashes(rows), (std::set<std::int64_t>{1, 2, 5}));
  rows[0].on = false;
  EXPECT_EQ(MKRules::clashes(rows), (std::set<std::int64_t>{2, 5}));
  rows[1].on = false;
  EXPECT_EQ(MKRules::clashes(rows), (std::set<std::int64_t>{}));
  // A fine fader on CC 5 also answers CC 37.
  auto fine = row(6, "cc", 5, {}, "fader1");
  fine.how = "14";
  EXPECT_EQ(MKRules::clashes({fine, row(7, "cc", 37)}), (std::set<std::int64_t>{6, 7}));
}

TEST(NextIdAndBlank, ANewRowIsAJogOnCcOneWithOneMoreThanTheLargestId) {
  EXPECT_EQ(MKRules::nextId({}), 1);
  EXPECT_EQ(MKRules::nextId({row(-5, "cc", 1)}), -4);
  constexpr auto most = std::numeric_limits<std::int64_t>::max();  // never overflows
  EXPECT_EQ(MKRules::nextId({row(most, "cc", 1), row(1, "cc", 1), row(2, "cc", 1)}), 3);
  EXPECT_EQ(MKRules::blank({row(3, "cc", 1), row(7, "cc", 1)}).dict(), json::parse(R"({
      "id": 8, "from": "cc", "number": 1, "command": "jog", "how": "twos", "on": true, "note": "",
      "invert": true})"));
}

}  // namespace
