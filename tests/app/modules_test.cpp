// Both real modules in the shell, on the test doubles: their tray lines in each state and what the lines do.
#include <gtest/gtest.h>

#include "support/test_shell.h"

namespace {

class ModulesTest : public testing::Test {
 protected:
  // The menu's lines as text: "-" for a divider, "(off)" after a disabled line, "[x]" before a checked one.
  std::vector<std::string> menu() {
    std::vector<std::string> out;
    for (const auto& line : shell.umbrella->menu())
      out.push_back(line.separator ? "-"
                                   : (line.checked.value_or(false) ? "[x]" : "") + line.title +
                                         (line.enabled ? "" : " (off)"));
    return out;
  }
  MenuLine line(const std::string& title) {
    for (auto& l : shell.umbrella->menu())
      if (l.title == title) return l;
    return {};
  }

  TestShell shell;
};

TEST_F(ModulesTest, EachModuleSaysItsStateAndWhatItDoesAndItsLinesSwitchIt) {
  shell.midi.addSource("Port 1");
  shell.midi.addDestination("IAC Driver Bus 1");
  shell.home.write(".config/midi-to-keystroke.json", R"({"device": "Port 1", "rows": [{"id": 1, "cc": 7}]})");
  shell.start();
  auto* mackie = shell.mackie;
  auto* midikeys = shell.midikeys;
  EXPECT_EQ(menu(), (std::vector<std::string>{
                        "MIDI TO MK CONTROL  ·  NO DEVICE (off)",
                        "  Stop sending Mackie",
                        "  No device locked (off)",
                        "  Sending to IAC Driver Bus 1 (off)",
                        "[x]  The command blob at the top of Live",
                        "  0 rows in the table (off)",
                        "-",
                        "MIDI TO KEY STROKE  ·  LISTENING (off)",
                        "  Stop sending keys",
                        "  Locked to USB1 (off)",
                        "  1 row in the table (off)",
                        "-",
                        "Settings…",
                    }));
  line("  Stop sending Mackie").action();
  line("  Stop sending keys").action();
  line("  The command blob at the top of Live").action();
  EXPECT_FALSE(mackie->engine->power());
  EXPECT_EQ(line("MIDI TO MK CONTROL  ·  PAUSED").title, "MIDI TO MK CONTROL  ·  PAUSED");
  EXPECT_EQ(line("  Send keys").title, "  Send keys");
  EXPECT_EQ(midikeys->status(), "STOPPED");
  EXPECT_FALSE(line("  The command blob at the top of Live").checked.value());

  // An engine that stopped keeps its header line while its module is on, without its own lines.
  mackie->engine->stop();
  EXPECT_EQ(menu().front(), "MIDI TO MK CONTROL  ·  OFF (off)");
  EXPECT_EQ(menu()[1], "-");
  shell.umbrella->stop();
  EXPECT_EQ(midikeys->status(), "OFF");
}

TEST_F(ModulesTest, ADryKeyStrokeModuleIgnoresItsSwitch) {
  MidiKeysModule dry(
      ksServicesAt(shell.home.path(), shell.loop, shell.midi, shell.audio, shell.keys, shell.capture), true);
  dry.setOn(true);
  EXPECT_FALSE(dry.engine->running);
  dry.engine->start();
  dry.setOn(false);
  EXPECT_TRUE(dry.engine->running);
}

}  // namespace
