// Firing the MK table: which action each kind of command asks for, and when it asks for nothing; and the
// one-line description of each kind of row, with the warning where it applies.
#include "mackie/core/fire.h"

#include <gtest/gtest.h>

#include <sstream>

#include "mackie/core/catalogue.h"
#include "mackie/core/rules.h"
#include "mackie/core/says.h"

using MKRules::MKAct;
using MKRules::MKMsg;
using MKRules::MKRow;
using nlohmann::json;

static MKRow row(const char* command, json extra = json::object(), std::int64_t id = 1) {
  json stored = {{"id", id}, {"from", "cc"}, {"number", 21}, {"command", command}};
  stored.update(extra.is_null() ? json::object() : extra);
  return *MKRules::clean(stored).row;
}

// An action as one line: its kind, its label, and every field that is set.
static std::string summary(const MKAct& a) {
  std::ostringstream out;
  out << a.row.id << ": " << a.kind << " " << a.what;
  // clang-format off
  for (const auto& [name, n] : {std::pair<const char*, int>{"note", a.note}, {"velocity", a.velocity},
       {"play", a.play}, {"stop", a.stop}, {"number", a.number}, {"value", a.value}, {"clicks", a.clicks},
       {"channel", a.channel}, {"lsb", a.lsb}, {"msb", a.msb}})
    if (n) out << " " << name << " " << n;
  // clang-format on
  for (const auto& p : a.parts)
    out << " " << p.note << "/" << p.velocity;
  if (a.rel) out << " rel " << *a.rel;
  if (!a.act.empty()) out << " act " << a.act;
  if (a.percent) out << " " << a.percent << "%";
  out << (a.release ? " release" : "") << (a.blob ? " blob" : "");
  return out.str();
}

// The summaries, joined by "; ", of what the rows fire for CC 21 at that value, holding `held` (none given:
// nothing is held yet).
static std::string fired(const std::vector<MKRow>& rows, int value, MKRules::MKHeld* held = nullptr) {
  MKRules::MKHeld fresh;
  MKRules::MKCoarse coarse;
  std::string out;
  for (const auto& a : MKRules::fire(rows, MKMsg{"cc", 21, value, 0}, held ? *held : fresh, coarse))
    out += (out.empty() ? "" : "; ") + summary(a);
  return out;
}

TEST(Fire, GivesOneActionPerMatchingRowInTableOrderAndAsksForEachKindOfAction) {
  const std::vector<MKRow> rows = {row("play"), row("stop", {{"number", 22}}, 2), row("record", {}, 3),
                                   row("loop", {{"value", 5}}, 4), row("undo", {{"on", false}}, 5)};
  EXPECT_EQ(
      fired(rows, 127),
      "1: note PLAY note 94 velocity 127 release blob; 3: note RECORD note 95 velocity 127 release blob");
  // clang-format off
  const std::tuple<const char*, json, int, std::string> cases[] = {
      {"bankfirst", {}, 127, "1: combo BANK: THE FIRST TRACKS note 46 70/127 46/127 46/0 70/0 blob"},
      {"playstop", {}, 0, "1: transport PLAY / STOP  — one button, from the insert point note 94 play 94 stop 93 number 60 70/127 94/127 94/0 70/0 blob"},
      {"jog", {{"invert", true}}, 1, "1: cc JOG WHEEL — the playback position number 60 value 65 clicks -1 rel jog blob"},
      {"vpot3", {{"how", "offset"}}, 70, "1: cc V-POT 3  (relative) number 18 value 6 clicks 6 rel vpot blob"},
      // 64 clicks left, clamped in the byte
      {"vpot3", {{"how", "offset"}}, 0, "1: cc V-POT 3  (relative) number 18 value 127 clicks -64 rel vpot blob"},
      {"fader3", {{"how", "7"}}, 127, "1: pitch FADER 3  (absolute) channel 2 lsb 127 msb 127 blob"},
      {"volumeup", {}, 0, "1: mac VOLUME UP act up blob"},
      {"volume", {{"how", "silent"}}, 64, "1: macvolume SYSTEM VOLUME  (a whole knob) 50.3937%"},
      {"volume", {{"how", "blob"}}, 127, "1: macvolume SYSTEM VOLUME  (a whole knob) 100% blob"}};
  // clang-format on
  for (const auto& [command, extra, value, act] : cases)
    EXPECT_EQ(fired({row(command, extra)}, value), act) << command << " " << value;
}

// Each message of a sequence to a table of fine and plain faders, and the pitch bends it fires
// (row:position). Fader 2's CC is above 31: it is a 7-bit one.
TEST(Fire, AFineFaderPairsItsHalvesOnceItHasHeardTheUpperOne) {
  // clang-format off
  const std::vector<MKRow> rows = {row("fader1", {{"number", 31}, {"how", "14"}}), row("fader2", {{"number", 32}, {"how", "14"}}, 2),
      row("fader3", {{"number", 5}, {"how", "7"}}, 3), row("fader4", {{"number", 6}, {"how", "14"}, {"on", false}}, 4),
      row("fader5", {{"number", 7}, {"how", "14"}, {"from", "note"}}, 5)};
  const std::tuple<const char*, int, int, const char*> steps[] = {
      {"cc", 63, 5, ""},  // a lower half before any upper half moves nothing
      {"cc", 31, 100, "1:12800"}, {"cc", 63, 5, "1:12805"},
      {"cc", 64, 9, ""},  // CC 32's "lower half" is nobody's
      {"cc", 32, 9, "2:9"}, {"cc", 37, 9, ""},  // how "7" has no pair
      {"cc", 6, 9, ""}, {"cc", 38, 9, ""},  // nor has a row that is off
      {"note", 7, 9, "5:9"}, {"note", 39, 9, ""}};  // a note row is never a pair
  // clang-format on
  MKRules::MKHeld held;
  MKRules::MKCoarse coarse;
  for (const auto& [from, number, value, expected] : steps) {
    std::string got;
    for (const auto& a : MKRules::fire(rows, MKMsg{from, number, value, 0}, held, coarse))
      got += std::to_string(a.row.id) + ":" + std::to_string(a.msb * 128 + a.lsb);
    EXPECT_EQ(got, expected) << from << " " << number;
  }
}

// Rows fire in table order whatever control they listen to: a fine fader reached through the lower half of
// its pair, between two rows of that CC, fires between them.
TEST(Fire, RowsReachedThroughAFinePairFireInTableOrder) {
  const std::vector<MKRow> rows = {row("play", {{"number", 37}}),
                                   row("fader1", {{"number", 5}, {"how", "14"}}, 2),
                                   row("stop", {{"number", 37}}, 3)};
  MKRules::MKHeld held;
  MKRules::MKCoarse coarse;
  MKRules::fire(rows, MKMsg{"cc", 5, 1, 0}, held, coarse);  // the upper half
  std::string ids;
  for (const auto& a : MKRules::fire(rows, MKMsg{"cc", 37, 127, 0}, held, coarse))
    ids += std::to_string(a.row.id);
  EXPECT_EQ(ids, "123");
}

TEST(Fire, HoldsAButtonThroughTheHalvesOfTheRangeSendingEachChangeOnce) {
  MKRules::MKHeld held;
  const std::string down = "7: note SHIFT down note 70 velocity 127 blob",
                    up = "7: note SHIFT up note 70 blob";
  for (const auto& [value, act] : {std::pair{100, down}, {110, ""}, {20, up}, {10, ""}, {64, down}, {63, up}})
    EXPECT_EQ(fired({row("shift", {}, 7)}, value, &held), act) << value;
}

// Each description, with " — " and the command's help text after it when it has one.
TEST(Says, DescribesEachKindOfRowAndWarnsWhereAKnobFiresItOnEveryValue) {
  const std::string warn =
      "  —  THIS ROW FIRES ON EVERY VALUE THE KNOB SENDS: put 127 in VALUE so only the press half fires";
  const std::string transport =
      "note 94 to play from the insert point, note 93 to stop, then CC 60 one beat each way to plant it, "
      "channel 1";
  // clang-format off
  const std::tuple<const char*, json, std::string, std::string> cases[] = {
      // A button gets no warning even when a knob could fire it on every value.
      {"play", {{"from", "note"}}, "note 94, channel 1 pressed and released", ""},
      {"loop", {}, "note 86, channel 1 pressed and released", ""},  // no help text: no dash
      {"control", {}, "note 72, channel 1 held while the knob is at 64 or above", ""},
      {"playstop", {}, transport, warn},
      {"playstop", {{"value", 127}}, transport, ""},
      {"continuestop", {}, "note 94 with SHIFT held, channel 1, pressed and released inside it", warn},
      {"jog", {{"how", "signmag"}},
       "CC 60, channel 1, sign-magnitude, from a knob sending Sign-mag, TURNED ROUND (right goes back)", ""},
      {"vpot2", {{"how", "offset"}}, "CC 17, channel 1, sign-magnitude, from a knob sending CC Rel 2, as the hand turns", ""},
      {"fader9", {{"how", "14"}}, "pitch bend, channel 9, 14-BIT", ""}};
  // clang-format on
  for (const auto& [command, extra, wire, warning] : cases) {
    const auto& help = MKMCU::command(command)->says;
    EXPECT_EQ(MKRules::says(row(command, extra)), wire + (help.empty() ? "" : " — " + help) + warning)
        << command;
  }
  const auto mac = "THE MAC, NOT LIVE: " + MKMCU::command("volume")->says;
  EXPECT_EQ(MKRules::says(row("volume")), mac);
  EXPECT_EQ(MKRules::says(row("volume", {{"how", "silent"}})),
            mac + "  —  no blob, the number is set behind the Mac's back");
}
