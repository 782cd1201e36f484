// The texts that show a row: its target and its one-line description, with the warning where it applies.
#include "mackie/core/says.h"

#include <gtest/gtest.h>

#include "mackie/core/catalogue.h"
#include "mackie/core/rules.h"

namespace {

using MKRules::MKRow;
using nlohmann::json;

const std::string WARN =
    "  —  THIS ROW FIRES ON EVERY VALUE THE KNOB SENDS: put 127 in VALUE so only the press half fires";

MKRow row(const char* command, json extra = json::object()) {
  json stored = {{"id", 1}, {"from", "cc"}, {"number", 21}, {"command", command}};
  stored.update(extra);
  return *MKRules::clean(stored).row;
}

std::string help(const char* id) {
  return MKMCU::command(id)->says;
}

TEST(Target, IsTheCommandsLabelAndNothingDescribesAnUnknownCommand) {
  EXPECT_EQ(MKRules::target(row("fader9")), "FADER 9  (the master)  (absolute)");
  auto gone = row("play");
  gone.command = "gone";
  EXPECT_EQ(MKRules::target(gone), "");
  EXPECT_EQ(MKRules::says(gone), "");
}

TEST(Says, DescribesAPressedAndAHeldButton) {
  EXPECT_EQ(MKRules::says(row("play", {{"from", "note"}, {"number", 94}})),
            "note 94, channel 1 pressed and released — " + help("play"));
  // A button gets no warning even when a knob could fire it on every value, and no dash without help text.
  EXPECT_EQ(MKRules::says(row("loop")), "note 86, channel 1 pressed and released");
  EXPECT_EQ(MKRules::says(row("shift")), "note 70, channel 1 held while the knob is at 64 or above");
  EXPECT_EQ(MKRules::says(row("control")),
            "note 72, channel 1 held while the knob is at 64 or above — " + help("control"));
}

TEST(Says, WarnsTransportAndCombinationRowsThatFireOnEveryValue) {
  const std::string transportWire =
      "note 94 to play from the insert point, note 93 to stop, then CC 60 one beat each way to plant it, "
      "channel 1";
  EXPECT_EQ(MKRules::says(row("playstop")), transportWire + " — " + help("playstop") + WARN);
  EXPECT_EQ(MKRules::says(row("playstop", {{"value", 127}})), transportWire + " — " + help("playstop"));
  EXPECT_EQ(MKRules::says(row("playstop", {{"from", "note"}})), transportWire + " — " + help("playstop"));
  EXPECT_EQ(
      MKRules::says(row("continuestop")),
      "note 94 with SHIFT held, channel 1, pressed and released inside it — " + help("continuestop") + WARN);
}

TEST(Says, DescribesARelativeKnobAndItsDirectionAndAFader) {
  EXPECT_EQ(
      MKRules::says(row("jog", {{"how", "signmag"}, {"invert", true}})),
      "CC 60, channel 1, sign-magnitude, from a knob sending Sign-mag, TURNED ROUND (right goes back) — " +
          help("jog"));
  EXPECT_EQ(
      MKRules::says(row("vpot2", {{"how", "offset"}})),
      "CC 17, channel 1, sign-magnitude, from a knob sending CC Rel 2, as the hand turns — " + help("vpot2"));
}

TEST(Says, DescribesAFaderWithoutTheChannelSuffix) {
  EXPECT_EQ(MKRules::says(row("fader9", {{"how", "14"}})),
            "pitch bend, channel 9, 14-BIT — " + help("fader9"));
}

TEST(Says, SaysTheMacCommandsAreNotLive) {
  EXPECT_EQ(MKRules::says(row("volumeup")), "THE MAC, NOT LIVE: " + help("volumeup"));
  EXPECT_EQ(MKRules::says(row("volume", {{"how", "blob"}})), "THE MAC, NOT LIVE: " + help("volume"));
  EXPECT_EQ(MKRules::says(row("volume", {{"how", "silent"}})),
            "THE MAC, NOT LIVE: " + help("volume") + "  —  no blob, the number is set behind the Mac's back");
}

}  // namespace
