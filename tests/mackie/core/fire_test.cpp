// Firing the MK table: which action each kind of command asks for, and when it asks for nothing.
#include "mackie/core/fire.h"

#include <gtest/gtest.h>

#include <charconv>
#include <sstream>

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
  MKRules::MKCoarse coarse;
  return MKRules::fire({r}, MKMsg{"cc", 21, value, 0}, held, coarse);
}

std::vector<MKAct> fireOne(const MKRow& r, int value) {
  MKRules::MKHeld held;
  return fireOne(r, value, held);
}

TEST(Fire, GivesOneActionPerMatchingRowInOrderAndNothingWithoutAMatchOrACommand) {
  MKRules::MKHeld held;
  MKRules::MKCoarse coarse;
  std::vector<MKRow> rows = {row(1, "play"), row(2, "stop", {{"number", 22}}), row(3, "record"),
                             row(4, "loop", {{"value", 5}}), row(5, "undo")};
  EXPECT_TRUE(MKRules::fire(rows, MKMsg{"cc", 99, 127, 0}, held, coarse).empty());
  rows[0].command = "gone";  // no longer in the catalogue
  const auto acts = MKRules::fire(rows, MKMsg{"cc", 21, 127, 0}, held, coarse);
  ASSERT_EQ(acts.size(), 2u);
  EXPECT_EQ(acts[0].what, "RECORD");
  EXPECT_EQ(acts[1].what, "UNDO");
  EXPECT_EQ(acts[1].row.id, 5);
}

// An action as one line: its kind, its label, and every field that is set.
std::string summary(const MKAct& a) {
  std::ostringstream out;
  out << a.kind << " " << a.what;
  const std::pair<const char*, int> ints[] = {{"note", a.note},     {"velocity", a.velocity},
                                              {"play", a.play},     {"stop", a.stop},
                                              {"number", a.number}, {"value", a.value},
                                              {"clicks", a.clicks}, {"channel", a.channel},
                                              {"lsb", a.lsb},       {"msb", a.msb}};
  for (const auto& [name, n] : ints)
    if (n) out << " " << name << " " << n;
  for (const auto& p : a.parts)
    out << " " << p.note << "/" << p.velocity;
  if (a.rel) out << " rel " << *a.rel;
  if (!a.act.empty()) out << " act " << a.act;
  if (a.percent) {
    char shortest[32];
    out << " " << std::string_view(shortest, std::to_chars(shortest, shortest + 32, a.percent).ptr) << "%";
  }
  out << (a.release ? " release" : "") << (a.blob ? " blob" : "");
  return out.str();
}

TEST(Fire, AsksForEachKindOfAction) {
  const std::string playStop =
      "transport PLAY / STOP  — one button, from the insert point note 94 play 94 stop 93 "
      "number 60 70/127 94/127 94/0 70/0 blob";
  const struct {
    const char* command;
    json extra;
    int value;
    std::string act;
  } cases[] = {
      {"play", {}, 0, "note PLAY note 94 velocity 127 release blob"},
      {"bankfirst", {}, 127, "combo BANK: THE FIRST TRACKS note 46 70/127 46/127 46/0 70/0 blob"},
      {"playstop", {}, 0, playStop},
      {"playstop", {}, 127, playStop},
      {"jog",
       {{"how", "twos"}, {"invert", true}},
       1,
       "cc JOG WHEEL — the playback position number 60 value 65 clicks -1 rel jog blob"},
      {"vpot3", {{"how", "offset"}}, 70, "cc V-POT 3  (relative) number 18 value 6 clicks 6 rel vpot blob"},
      {"vpot3",
       {{"how", "offset"}},
       0,  // 64 clicks left, clamped in the byte
       "cc V-POT 3  (relative) number 18 value 127 clicks -64 rel vpot blob"},
      {"fader3", {{"how", "7"}}, 127, "pitch FADER 3  (absolute) channel 2 lsb 127 msb 127 blob"},
      {"volumeup", {}, 0, "mac VOLUME UP act up blob"},
      {"volume", {{"how", "silent"}}, 64, "macvolume SYSTEM VOLUME  (a whole knob) 50.39370078740158%"},
      {"volume", {{"how", "blob"}}, 64, "macvolume SYSTEM VOLUME  (a whole knob) 50.39370078740158% blob"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.command) + " " + std::to_string(c.value));
    const auto r = row(3, c.command, c.extra.is_null() ? json::object() : c.extra);
    const auto acts = fireOne(r, c.value);
    ASSERT_EQ(acts.size(), 1u);
    EXPECT_EQ(summary(acts[0]), c.act);
    EXPECT_EQ(acts[0].row, r);
  }
  EXPECT_TRUE(fireOne(row(1, "jog", {{"how", "twos"}}), 0).empty());
  EXPECT_TRUE(fireOne(row(1, "vpot3", {{"how", "offset"}}), 64).empty());
  // The row has no value, so an out-of-range message value matches; it counts as 0.
  EXPECT_EQ(fireOne(row(1, "volume"), 500).at(0).percent, 0);
}

// Each message of a sequence to a table of fine and plain faders, and the pitch bends it fires
// (row:position).
TEST(Fire, AFineFaderPairsItsHalvesOnceItHasHeardTheUpperOne) {
  const std::vector<MKRow> rows = {
      row(1, "fader1", {{"number", 31}, {"how", "14"}}),
      row(2, "fader2", {{"number", 32}, {"how", "14"}}),  // above 31: one 7-bit value
      row(3, "fader3", {{"number", 5}, {"how", "7"}}),
      row(4, "fader4", {{"number", 6}, {"how", "14"}, {"on", false}}),
      row(5, "fader5", {{"number", 7}, {"how", "14"}, {"from", "note"}}),
  };
  const struct {
    const char* from;
    int number, value;
    const char* fired;
  } steps[] = {
      {"cc", 63, 5, ""},  // a lower half before any upper half moves nothing
      {"cc", 31, 100, "1:12800"}, {"cc", 63, 5, "1:12805"},
      {"cc", 64, 9, ""},                                  // CC 32's "lower half" is nobody's
      {"cc", 32, 9, "2:9"},       {"cc", 37, 9, ""},      // how "7" has no pair
      {"cc", 6, 9, ""},                                   // nor has a row that is off
      {"cc", 38, 9, ""},          {"note", 7, 9, "5:9"},  // a note row is never a pair
      {"note", 39, 9, ""},
  };
  MKRules::MKHeld held;
  MKRules::MKCoarse coarse;
  for (const auto& step : steps) {
    std::string fired;
    for (const auto& a : MKRules::fire(rows, MKMsg{step.from, step.number, step.value, 0}, held, coarse))
      fired += std::to_string(a.row.id) + ":" + std::to_string(a.msb * 128 + a.lsb);
    EXPECT_EQ(fired, step.fired) << step.from << " " << step.number;
  }
  EXPECT_TRUE(MKRules::reaches(rows[0], "cc", 63));
  EXPECT_FALSE(MKRules::reaches(rows[1], "cc", 64));
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

TEST(Percent, ClampsToTheMidiRange) {
  EXPECT_EQ(MKRules::percent(0), 0);
  EXPECT_EQ(MKRules::percent(127), 100);
  EXPECT_EQ(MKRules::percent(-3), 0);
  EXPECT_EQ(MKRules::percent(1000), 100);
}

}  // namespace
