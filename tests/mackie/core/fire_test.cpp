// Firing the MK table: which action each kind of command asks for, and when it asks for nothing.
#include "mackie/core/fire.h"

#include <gtest/gtest.h>

#include "mackie/core/rules.h"

namespace {

using MKRules::MKAct;
using MKRules::MKMsg;
using MKRules::MKPart;
using MKRules::MKRow;
using nlohmann::json;

MKRow row(std::int64_t id, const char* command, json extra = json::object()) {
  json stored = {{"id", id}, {"from", "cc"}, {"number", 21}, {"command", command}};
  stored.update(extra);
  return *MKRules::clean(stored).row;
}

std::vector<MKAct> fireOne(const MKRow& r, int value, MKRules::MKHeld& held) {
  return MKRules::fire({r}, MKMsg{"cc", 21, value, 0}, held);
}

std::vector<MKAct> fireOne(const MKRow& r, int value) {
  MKRules::MKHeld held;
  return fireOne(r, value, held);
}

TEST(Fire, GivesNothingWithoutAMatchAndOneActionPerMatchingRowInOrder) {
  MKRules::MKHeld held;
  const std::vector<MKRow> rows = {row(1, "play"), row(2, "stop", {{"number", 22}}), row(3, "record"),
                                   row(4, "loop", {{"value", 5}}), row(5, "undo")};
  EXPECT_TRUE(MKRules::fire(rows, MKMsg{"cc", 99, 127, 0}, held).empty());
  const auto acts = MKRules::fire(rows, MKMsg{"cc", 21, 127, 0}, held);
  ASSERT_EQ(acts.size(), 3u);
  EXPECT_EQ(acts[0].what, "PLAY");
  EXPECT_EQ(acts[1].what, "RECORD");
  EXPECT_EQ(acts[2].what, "UNDO");
  EXPECT_EQ(acts[2].row.id, 5);
}

TEST(Fire, SkipsRowsWhoseCommandIsNotInTheCatalogue) {
  auto r = row(1, "play");
  r.command = "gone";
  EXPECT_TRUE(fireOne(r, 127).empty());
}

TEST(Fire, PressesAndReleasesAButton) {
  const auto acts = fireOne(row(1, "play"), 0);
  ASSERT_EQ(acts.size(), 1u);
  EXPECT_EQ(acts[0].kind, "note");
  EXPECT_EQ(acts[0].note, 94);
  EXPECT_EQ(acts[0].velocity, 127);
  EXPECT_TRUE(acts[0].release);
  EXPECT_TRUE(acts[0].blob);
}

TEST(Fire, HoldsAButtonThroughTheHalvesOfTheRangeSendingEachChangeOnce) {
  MKRules::MKHeld held;
  const auto shift = row(7, "shift");
  auto down = fireOne(shift, 100, held);
  ASSERT_EQ(down.size(), 1u);
  EXPECT_EQ(down[0].what, "SHIFT down");
  EXPECT_EQ(down[0].velocity, 127);
  EXPECT_FALSE(down[0].release);
  EXPECT_TRUE(fireOne(shift, 110, held).empty());
  auto up = fireOne(shift, 20, held);
  ASSERT_EQ(up.size(), 1u);
  EXPECT_EQ(up[0].what, "SHIFT up");
  EXPECT_EQ(up[0].velocity, 0);
  EXPECT_TRUE(fireOne(shift, 10, held).empty());
  EXPECT_EQ(held.at(7), 0);
  EXPECT_EQ(fireOne(shift, 64, held).size(), 1u);  // 64 is already the upper half
  EXPECT_EQ(fireOne(shift, 63, held).size(), 1u);
}

TEST(Fire, PlaysACombinationWithItsModifiersAroundTheNote) {
  const auto acts = fireOne(row(1, "bankfirst"), 127);
  ASSERT_EQ(acts.size(), 1u);
  EXPECT_EQ(acts[0].kind, "combo");
  EXPECT_EQ(acts[0].note, 46);
  EXPECT_EQ(acts[0].parts, (std::vector<MKPart>{{70, 127}, {46, 127}, {46, 0}, {70, 0}}));
}

TEST(Fire, PlaysTransportOnEveryValue) {
  for (const int v : {0, 127}) {
    const auto acts = fireOne(row(1, "playstop"), v);
    ASSERT_EQ(acts.size(), 1u);
    EXPECT_EQ(acts[0].kind, "transport");
    EXPECT_EQ(acts[0].what, "PLAY / STOP  — one button, from the insert point");
    EXPECT_EQ(acts[0].parts, (std::vector<MKPart>{{70, 127}, {94, 127}, {94, 0}, {70, 0}}));
    EXPECT_EQ(acts[0].play, 94);
    EXPECT_EQ(acts[0].stop, 93);
    EXPECT_EQ(acts[0].number, 60);
    EXPECT_TRUE(acts[0].blob);
  }
}

TEST(Fire, TurnsARelativeKnobIntoClicksAndAVpotByte) {
  const auto jog = fireOne(row(1, "jog", {{"how", "twos"}, {"invert", true}}), 1);
  ASSERT_EQ(jog.size(), 1u);
  EXPECT_EQ(jog[0].kind, "cc");
  EXPECT_EQ(jog[0].number, 60);
  EXPECT_EQ(jog[0].clicks, -1);
  EXPECT_EQ(jog[0].value, 65);
  EXPECT_EQ(jog[0].rel, "jog");
  EXPECT_TRUE(fireOne(row(1, "jog", {{"how", "twos"}}), 0).empty());

  const auto vpot = row(2, "vpot3", {{"how", "offset"}});
  EXPECT_TRUE(fireOne(vpot, 64).empty());
  const auto turned = fireOne(vpot, 70);
  ASSERT_EQ(turned.size(), 1u);
  EXPECT_EQ(turned[0].number, 18);
  EXPECT_EQ(turned[0].clicks, 6);
  EXPECT_EQ(turned[0].value, 6);
  EXPECT_EQ(turned[0].rel, "vpot");
  EXPECT_EQ(fireOne(vpot, 0)[0].value, 64 + 63);  // 64 clicks left, clamped
}

TEST(Fire, MovesAFaderWithAPitchBend) {
  const auto acts = fireOne(row(1, "fader3", {{"how", "7"}}), 127);
  ASSERT_EQ(acts.size(), 1u);
  EXPECT_EQ(acts[0].kind, "pitch");
  EXPECT_EQ(acts[0].channel, 2);
  EXPECT_EQ(acts[0].lsb, 127);
  EXPECT_EQ(acts[0].msb, 127);
  // A fourteen-bit row takes the one 7-bit value as the position itself.
  const auto fine = fireOne(row(1, "fader9", {{"how", "14"}}), 100);
  EXPECT_EQ(fine[0].channel, 8);
  EXPECT_EQ(fine[0].lsb, 100);
  EXPECT_EQ(fine[0].msb, 0);
}

TEST(Fire, AsksForTheMacsKeysAndVolume) {
  const auto up = fireOne(row(1, "volumeup"), 0);
  ASSERT_EQ(up.size(), 1u);
  EXPECT_EQ(up[0].kind, "mac");
  EXPECT_EQ(up[0].act, "up");

  const auto silent = fireOne(row(1, "volume", {{"how", "silent"}}), 64);
  ASSERT_EQ(silent.size(), 1u);
  EXPECT_EQ(silent[0].kind, "macvolume");
  EXPECT_DOUBLE_EQ(silent[0].percent, 64 * 100.0 / 127);
  EXPECT_FALSE(silent[0].blob);
  EXPECT_TRUE(fireOne(row(1, "volume", {{"how", "blob"}}), 64)[0].blob);
}

TEST(Fire, ReadsAnOutOfRangeMessageValueAsZero) {
  // The row has no value, so it matches; the value itself counts as 0.
  MKRules::MKHeld held;
  const auto acts = MKRules::fire({row(1, "volume")}, MKMsg{"cc", 21, 500, 0}, held);
  ASSERT_EQ(acts.size(), 1u);
  EXPECT_EQ(acts[0].percent, 0);
}

TEST(Percent, ClampsToTheMidiRange) {
  EXPECT_EQ(MKRules::percent(0), 0);
  EXPECT_EQ(MKRules::percent(127), 100);
  EXPECT_EQ(MKRules::percent(-3), 0);
  EXPECT_EQ(MKRules::percent(1000), 100);
  EXPECT_DOUBLE_EQ(MKRules::percent(64), 50.393700787401575);
}

}  // namespace
