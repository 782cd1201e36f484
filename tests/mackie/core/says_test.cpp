// The texts that show a row: its target and its one-line description, with the warning where it applies.
#include "mackie/core/says.h"

#include <gtest/gtest.h>

#include "mackie/core/catalogue.h"
#include "mackie/core/rules.h"

namespace {

using nlohmann::json;

MKRules::MKRow row(const char* command, json extra = json::object()) {
  json stored = {{"id", 1}, {"from", "cc"}, {"number", 21}, {"command", command}};
  stored.update(extra);
  return *MKRules::clean(stored).row;
}

// Each description, with " — " and the command's help text after it when it has one.
TEST(Says, DescribesEachKindOfRowAndWarnsWhereAKnobFiresItOnEveryValue) {
  const std::string warn =
      "  —  THIS ROW FIRES ON EVERY VALUE THE KNOB SENDS: put 127 in VALUE so only the press half fires";
  const std::string transport =
      "note 94 to play from the insert point, note 93 to stop, then CC 60 one beat each way to plant it, "
      "channel 1";
  const std::tuple<const char*, json, std::string, std::string> cases[] = {
      // A button gets no warning even when a knob could fire it on every value.
      {"play", {{"from", "note"}}, "note 94, channel 1 pressed and released", ""},
      {"loop", {}, "note 86, channel 1 pressed and released", ""},  // no help text: no dash
      {"control", {}, "note 72, channel 1 held while the knob is at 64 or above", ""},
      {"playstop", {}, transport, warn},
      {"playstop", {{"value", 127}}, transport, ""},
      {"playstop", {{"from", "note"}}, transport, ""},
      {"continuestop", {}, "note 94 with SHIFT held, channel 1, pressed and released inside it", warn},
      {"jog",
       {{"how", "signmag"}},
       "CC 60, channel 1, sign-magnitude, from a knob sending Sign-mag, TURNED ROUND (right goes back)",
       ""},
      {"vpot2",
       {{"how", "offset"}},
       "CC 17, channel 1, sign-magnitude, from a knob sending CC Rel 2, as the hand turns",
       ""},
      {"fader9", {{"how", "14"}}, "pitch bend, channel 9, 14-BIT", ""}};
  for (const auto& [command, extra, wire, warning] : cases) {
    const auto& help = MKMCU::command(command)->says;
    EXPECT_EQ(MKRules::says(row(command, extra.is_null() ? json::object() : extra)),
              wire + (help.empty() ? "" : " — " + help) + warning)
        << command;
  }
}

TEST(Says, SaysTheMacCommandsAreNotLive) {
  const auto help = [](const char* id) { return MKMCU::command(id)->says; };
  EXPECT_EQ(MKRules::says(row("volumeup")), "THE MAC, NOT LIVE: " + help("volumeup"));
  EXPECT_EQ(MKRules::says(row("volume")), "THE MAC, NOT LIVE: " + help("volume"));
  EXPECT_EQ(MKRules::says(row("volume", {{"how", "silent"}})),
            "THE MAC, NOT LIVE: " + help("volume") + "  —  no blob, the number is set behind the Mac's back");
}

}  // namespace
