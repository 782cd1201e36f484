// The built program on a desktop of the test's own (a private X server): without a tray host the window opens
// at start, a second start brings it back after the user closed it, and a second start with --midikeys-dry
// opens the dry run's window; a tray host there from the start gets the icon (one that comes later is
// ui/tray_host_test's). What the X server holds is read with the X tools, as another program would see it.
#include <gtest/gtest.h>

#include <sstream>

#include "running_program.h"
#include "support/private_x_server.h"

namespace {

// A window of the program's, by its whole title, while it is on the screen: its id, or empty.
std::string shownWindow(const std::string& title = "Orvane VUDA Verer") {
  std::string id;
  std::istringstream(output("xdotool search --onlyvisible --name '^" + title + "$' 2>/dev/null")) >> id;
  return id;
}

// Whether a window of the program's sits inside the tray host's panel, as the X server's window tree tells.
bool iconInTheHost() {
  return output("for w in $(xdotool search --class trayer 2>/dev/null); do xwininfo -tree -id $w; done")
             .find("(\"orvane-vuda-verer\"") != std::string::npos;
}

// The program on a desktop of the test's own; JACK is asked for and absent: MIDI plays no part.
class ProgramOnADesktop : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(x.display().empty()) << x.log();
    // The program and the X tools reach the private display.
    ::setenv("DISPLAY", x.display().c_str(), 1);
    ::setenv("JACK_NO_START_SERVER", "1", 1);
  }
  TempFolder folder;
  PrivateXServer x{folder};
};

// A second start hands its request to the running program, which stays: plain, it brings back the window the
// user closed; with --midikeys-dry, it has the dry run's window opened.
TEST_F(ProgramOnADesktop, WithoutATrayTheWindowOpensAtStartAndASecondStartBringsItBackOrOpensTheDryWindow) {
  RunningProgram first(folder, {"--midi", "jack"});
  ASSERT_TRUE(eventually([&] { return !shownWindow().empty(); }, 10)) << first.err();
  // The header's cross, as the user clicks it: the window goes, the program stays.
  std::system(("xdotool mousemove --window " + shownWindow() + " 790 23 click 1").c_str());
  EXPECT_TRUE(eventually([&] { return shownWindow().empty(); }));
  RunningProgram second(folder, {"--midi", "jack"});
  EXPECT_EQ(second.ended(10), 0);
  EXPECT_NE(second.err().find("already running"), std::string::npos) << second.err();
  EXPECT_TRUE(eventually([&] { return !shownWindow().empty(); }));
  const std::string dryTitle = "MIDI to Key Stroke \\(dry: listens, presses nothing\\)";
  EXPECT_TRUE(shownWindow(dryTitle).empty()) << "no start asked for the dry window yet";

  RunningProgram dry(folder, {"--midi", "jack", "--midikeys-dry"});
  EXPECT_EQ(dry.ended(10), 0);
  EXPECT_NE(dry.err().find("already running: it opens its dry window"), std::string::npos) << dry.err();
  EXPECT_TRUE(eventually([&] { return !shownWindow(dryTitle).empty(); })) << first.err();
  EXPECT_FALSE(first.ended(0).has_value());  // the first is still there
}

// With a tray host there from the start, the icon goes into it and no window opens.
TEST_F(ProgramOnADesktop, WithATrayHostTheIconIsInItAndNoWindowOpens) {
  const SpawnedProcess host(
      {"trayer", "--edge", "top", "--align", "right", "--widthtype", "request", "--height", "24"},
      folder.path() + "/trayer.log");
  ASSERT_TRUE(eventually([] { return !output("xdotool search --class trayer 2>/dev/null").empty(); }, 10));
  RunningProgram program(folder, {"--midi", "jack"});
  EXPECT_TRUE(eventually(iconInTheHost, 10)) << host.output() << program.err();
  EXPECT_TRUE(shownWindow().empty());
}

}  // namespace
