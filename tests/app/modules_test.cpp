// Both real modules in the shell, on the test doubles: their menu lines in each state and what the lines do.
#include <gtest/gtest.h>

#include "support/test_shell.h"

namespace {

class ModulesTest : public testing::Test, protected TestShell {};

TEST_F(ModulesTest, EachModuleSaysItsStateAndWhatItDoesAndItsLinesSwitchIt) {
  midi.addSource("Port 1");
  midi.addDestination("IAC Driver Bus 1");
  home.write(".config/midi-to-keystroke.json", R"({"device": "Port 1", "rows": [{"id": 1, "cc": 7}]})");
  start();
  EXPECT_EQ(menu(), (std::vector<std::string>{
                        "MIDI TO MK CONTROL  ·  NO DEVICE (off)",
                        "  Stop sending Mackie",
                        "  No device locked (off)",
                        "  Sending to IAC Driver Bus 1 (off)",
                        "[x]   The command blob at the top of Live",
                        "  0 rows in the table (off)",
                        "---",
                        "MIDI TO KEY STROKE  ·  LISTENING (off)",
                        "  Stop sending keys",
                        "  Locked to USB1 (off)",
                        "  1 row in the table (off)",
                        "---",
                        "Settings…",
                    }));
  for (const char* line :
       {"  Stop sending Mackie", "  Stop sending keys", "  The command blob at the top of Live"})
    EXPECT_TRUE(choose(line)) << line;
  const auto after = menu();
  EXPECT_EQ(after[1], "  Send Mackie");
  EXPECT_EQ(after[4], "[ ]   The command blob at the top of Live");
  EXPECT_EQ(after[7], "MIDI TO KEY STROKE  ·  STOPPED (off)");
  EXPECT_EQ(after[8], "  Send keys");

  // An engine that stopped keeps its header line while its module is on, without its own lines.
  mackie->engine->stop();
  EXPECT_EQ(menu()[0], "MIDI TO MK CONTROL  ·  OFF (off)");
  EXPECT_EQ(menu()[1], "---");
  umbrella->stop();
  EXPECT_EQ(midikeys->status(), "OFF");
}

TEST_F(ModulesTest, ADryKeyStrokeModuleIgnoresItsSwitch) {
  MidiKeysModule dry(ksServicesAt(home.path(), loop, midi, audio, keys, capture), true);
  dry.setOn(true);
  EXPECT_FALSE(dry.engine->running);
  dry.engine->start();
  dry.setOn(false);
  EXPECT_TRUE(dry.engine->running);
}

}  // namespace
