// Firing the MK table: which action each kind of command asks for, and when it asks for nothing.
#include "mackie/core/fire.h"

#include <gtest/gtest.h>

#include <charconv>
#include <sstream>

#include "mackie/core/rules.h"

namespace {

using MKRules::MKAct;
using MKRules::MKMsg;
using MKRules::MKRow;
using nlohmann::json;

MKRow row(std::int64_t id, const char* command, json extra = json::object()) {
  json stored = {{"id", id}, {"from", "cc"}, {"number", 21}, {"command", command}};
  stored.update(extra);
  return *MKRules::clean(stored).row;
}

// An action as one line: its kind, its label, and every field that is set.
std::string summary(const MKAct& a) {
  std::ostringstream out;
  out << a.row.id << ": " << a.kind << " " << a.what;
  // clang-format off
  const std::pair<const char*, int> ints[] = {{"note", a.note}, {"velocity", a.velocity}, {"play", a.play},
      {"stop", a.stop}, {"number", a.number}, {"value", a.value}, {"clicks", a.clicks}, {"channel", a.channel},
      {"lsb", a.lsb}, {"msb", a.msb}};
  // clang-format on
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

// The summaries of what the rows fire for CC 21 at that value.
std::vector<std::string> fired(const std::vector<MKRow>& rows, int value, MKRules::MKHeld& held) {
  MKRules::MKCoarse coarse;
  std::vector<std::string> out;
  for (const auto& a : MKRules::fire(rows, MKMsg{"cc", 21, value, 0}, held, coarse))
    out.push_back(summary(a));
  return out;
}

TEST(Fire, GivesOneActionPerMatchingRowInTableOrder) {
  MKRules::MKHeld held;
  const std::vector<MKRow> rows = {row(1, "play"), row(2, "stop", {{"number", 22}}), row(3, "record"),
                                   row(4, "loop", {{"value", 5}}), row(5, "undo", {{"on", false}})};
  EXPECT_EQ(fired(rows, 127, held),
            (std::vector<std::string>{"1: note PLAY note 94 velocity 127 release blob",
                                      "3: note RECORD note 95 velocity 127 release blob"}));
}

TEST(Fire, AsksForEachKindOfAction) {
  const std::string playStop =
      "1: transport PLAY / STOP  — one button, from the insert point note 94 play 94 stop 93 "
      "number 60 70/127 94/127 94/0 70/0 blob";
  // clang-format off
  const std::tuple<const char*, json, int, std::string> cases[] = {
      {"play", {}, 0, "1: note PLAY note 94 velocity 127 release blob"},
      {"bankfirst", {}, 127, "1: combo BANK: THE FIRST TRACKS note 46 70/127 46/127 46/0 70/0 blob"},
      {"playstop", {}, 0, playStop},
      {"playstop", {}, 127, playStop},
      {"jog", {{"invert", true}}, 1, "1: cc JOG WHEEL — the playback position number 60 value 65 clicks -1 rel jog blob"},
      {"vpot3", {{"how", "offset"}}, 70, "1: cc V-POT 3  (relative) number 18 value 6 clicks 6 rel vpot blob"},
      // 64 clicks left, clamped in the byte
      {"vpot3", {{"how", "offset"}}, 0, "1: cc V-POT 3  (relative) number 18 value 127 clicks -64 rel vpot blob"},
      {"fader3", {{"how", "7"}}, 127, "1: pitch FADER 3  (absolute) channel 2 lsb 127 msb 127 blob"},
      {"volumeup", {}, 0, "1: mac VOLUME UP act up blob"},
      {"volume", {{"how", "silent"}}, 64, "1: macvolume SYSTEM VOLUME  (a whole knob) 50.39370078740158%"},
      {"volume", {{"how", "blob"}}, 127, "1: macvolume SYSTEM VOLUME  (a whole knob) 100% blob"}};
  // clang-format on
  for (const auto& [command, extra, value, act] : cases) {
    MKRules::MKHeld held;
    EXPECT_EQ(fired({row(1, command, extra.is_null() ? json::object() : extra)}, value, held),
              act.empty() ? std::vector<std::string>{} : std::vector{act})
        << command << " " << value;
  }
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
  const auto shift = row(7, "shift");
  MKRules::MKHeld held;
  const std::string down = "7: note SHIFT down note 70 velocity 127 blob",
                    up = "7: note SHIFT up note 70 blob";
  const std::pair<int, std::string> steps[] = {{100, down}, {110, ""},  {20, up},
                                               {10, ""},    {64, down}, {63, up}};
  for (const auto& [value, act] : steps)
    EXPECT_EQ(fired({shift}, value, held), act.empty() ? std::vector<std::string>{} : std::vector{act})
        << value;
}

}  // namespace
