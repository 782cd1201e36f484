// The built program on a desktop of the test's own (a private X server) without a tray host: the window opens
// at start, and a second start brings it back after the user closed it. What the X server holds is read with
// the X tools, as another program would see it.
#include <gtest/gtest.h>

#include <sstream>

#include "running_program.h"
#include "support/private_x_server.h"

namespace {

// The program's window while it is on the screen: its id, or empty.
std::string shownWindow() {
  std::string id;
  std::istringstream(output("xdotool search --onlyvisible --name '^Orvane VUDA Verer$' 2>/dev/null")) >> id;
  return id;
}

TEST(ProgramOnADesktop, WithoutATrayTheWindowOpensAtStartAndASecondStartBringsItBackOnceClosed) {
  TempFolder folder;
  PrivateXServer x(folder);
  ASSERT_FALSE(x.display().empty()) << x.log();
  // The program and the X tools reach the private display; JACK is asked for and absent: MIDI plays no part.
  ::setenv("DISPLAY", x.display().c_str(), 1);
  ::setenv("JACK_NO_START_SERVER", "1", 1);
  RunningProgram first(folder, {"--midi", "jack"});
  ASSERT_TRUE(eventually([&] { return !shownWindow().empty(); }, 10)) << first.err();
  // The header's cross, as the user clicks it: the window goes, the program stays.
  std::system(("xdotool mousemove --window " + shownWindow() + " 790 23 click 1").c_str());
  ASSERT_TRUE(eventually([&] { return shownWindow().empty(); }));
  RunningProgram second(folder, {"--midi", "jack"});
  EXPECT_EQ(second.ended(10), 0);
  EXPECT_NE(second.err().find("already running"), std::string::npos) << second.err();
  EXPECT_TRUE(eventually([&] { return !shownWindow().empty(); }));
  EXPECT_FALSE(first.ended(0).has_value());  // the first is still there
}

}  // namespace
