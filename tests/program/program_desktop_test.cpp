// The built program on a desktop of the test's own (a private X server): with a tray host its icon sits in
// the tray and no window opens; without one the window opens at start, and a second start brings it back
// after the user closed it. What the X server holds is read with the X tools, as another program would see
// it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

#include "running_program.h"
#include "support/private_x_server.h"
#include "support/spawned_process.h"

namespace {

class ProgramOnADesktop : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(x.display().empty()) << x.log();
    // The program and the X tools reach the private display; JACK is asked for and absent: MIDI plays no
    // part.
    ::setenv("DISPLAY", x.display().c_str(), 1);
    ::setenv("JACK_NO_START_SERVER", "1", 1);
  }

  RunningProgram& start() {
    programs.push_back(std::make_unique<RunningProgram>(folder, std::vector<std::string>{"--midi", "jack"}));
    return *programs.back();
  }
  // The program's window while it is on the screen: its id, or empty.
  std::string shownWindow() const {
    std::istringstream ids(output("xdotool search --onlyvisible --name '^Orvane VUDA Verer$' 2>/dev/null"));
    std::string id;
    ids >> id;
    return id;
  }

  TempFolder folder;
  PrivateXServer x{folder};
  std::vector<std::unique_ptr<RunningProgram>> programs;
};

TEST_F(ProgramOnADesktop, WithATrayHostItsIconIsEmbeddedInTheTrayAndNoWindowOpens) {
  SpawnedProcess tray({"trayer", "--edge", "top", "--align", "right", "--width", "10"},
                      folder.path() + "/tray.log");
  ASSERT_TRUE(
      eventually([] { return output("xwininfo -root -tree").find("\"panel\"") != std::string::npos; }));
  auto& program = start();
  // The icon's window is a child of the tray's panel: deeper than the panel's line in the tree, right after
  // it.
  const auto embedded = [] {
    const auto tree = output("xwininfo -root -tree");
    const auto panel = tree.find("\"panel\"");
    return panel != std::string::npos &&
           tree.find("(\"orvane-vuda-verer\" \"Orvane VUDA Verer\")", panel) != std::string::npos;
  };
  ASSERT_TRUE(eventually(embedded, 10)) << output("xwininfo -root -tree") << program.err();
  EXPECT_EQ(shownWindow(), "");
}

TEST_F(ProgramOnADesktop, WithoutATrayTheWindowOpensAtStartAndASecondStartBringsItBackOnceClosed) {
  start();
  ASSERT_TRUE(eventually([&] { return !shownWindow().empty(); }, 10)) << programs.back()->err();
  const auto window = shownWindow();

  // The header's cross, as the user clicks it: the window goes, the program stays.
  std::system(("xdotool mousemove --window " + window + " 790 23 click 1").c_str());
  ASSERT_TRUE(eventually([&] { return shownWindow().empty(); }));
  auto& second = start();
  EXPECT_EQ(second.ended(10), 0);
  EXPECT_NE(second.err().find("already running"), std::string::npos) << second.err();
  EXPECT_TRUE(eventually([&] { return !shownWindow().empty(); }));
  EXPECT_FALSE(programs.front()->ended(0).has_value());  // the first is still there
}

}  // namespace
