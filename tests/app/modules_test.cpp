// Both real modules in the shell, on the test doubles: their tray lines in each state and what the lines do.
#include <gtest/gtest.h>

#include "app/mackie_module.h"
#include "app/midikeys_module.h"
#include "app/umbrella.h"
#include "support/engine_services.h"
#include "support/fake_audio_output.h"
#include "support/fake_hot_keys.h"
#include "support/fake_key_capture.h"
#include "support/fake_midi_system.h"
#include "support/fake_workspace.h"
#include "support/recording_key_output.h"
#include "support/temp_folder.h"
#include "support/virtual_loop.h"

namespace {

class ModulesTest : public testing::Test {
 protected:
  ModulesTest() {
    std::vector<std::unique_ptr<LiveModule>> modules;
    auto mk = std::make_unique<MackieModule>(mkServicesAt(home.path(), loop, system, audio, keys, workspace));
    auto ks = std::make_unique<MidiKeysModule>(ksServicesAt(home.path(), loop, system, audio, keys, capture),
                                               false);
    mackie = mk.get();
    midikeys = ks.get();
    modules.push_back(std::move(mk));
    modules.push_back(std::move(ks));
    umbrella =
        std::make_shared<Umbrella>(ShellServices{loop, workspace, hotKeys, home.path()}, std::move(modules));
  }
  ~ModulesTest() override { umbrella.reset(); }  // before the doubles the engines use

  // The menu's lines as text: "-" for a divider, "(off)" after a disabled line, "[x]" before a checked one.
  std::vector<std::string> menu() {
    std::vector<std::string> out;
    for (const auto& line : umbrella->menu())
      out.push_back(line.separator ? "-"
                                   : (line.checked.value_or(false) ? "[x]" : "") + line.title +
                                         (line.enabled ? "" : " (off)"));
    return out;
  }
  MenuLine line(const std::string& title) {
    for (auto& l : umbrella->menu())
      if (l.title == title) return l;
    return {};
  }

  VirtualLoop loop;
  FakeMidiSystem system{loop};
  FakeAudioOutput audio;
  RecordingKeyOutput keys;
  FakeKeyCapture capture;
  FakeWorkspace workspace;
  FakeHotKeys hotKeys;
  TempFolder home;
  MackieModule* mackie = nullptr;
  MidiKeysModule* midikeys = nullptr;
  std::shared_ptr<Umbrella> umbrella;
};

TEST_F(ModulesTest, EachModuleSaysItsStateAndWhatItDoesAndItsLinesSwitchIt) {
  system.addSource("Port 1");
  system.addDestination("IAC Driver Bus 1");
  home.write(".config/midi-to-keystroke.json", R"({"device": "Port 1", "rows": [{"id": 1, "cc": 7}]})");
  umbrella->start();
  loop.runDue();
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
  umbrella->stop();
  EXPECT_EQ(midikeys->status(), "OFF");
}

TEST_F(ModulesTest, ADryKeyStrokeModuleIgnoresItsSwitch) {
  MidiKeysModule dry(ksServicesAt(home.path(), loop, system, audio, keys, capture), true);
  dry.setOn(true);
  EXPECT_FALSE(dry.engine->running);
  dry.engine->start();
  dry.setOn(false);
  EXPECT_TRUE(dry.engine->running);
}

}  // namespace
