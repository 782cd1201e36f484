// The main of the tests that need a desktop of their own: an X server (Xvfb) started for the test process,
// with no window manager and no tray host, and one QApplication on it (the xcb platform), as the program has
// on a desktop. The run's shared display is left alone, so these tests may change the whole screen.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdio>
#include <cstdlib>

#include "support/private_x_server.h"
#include "support/temp_folder.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();  // listing needs no desktop
  const TempFolder folder;
  PrivateXServer x(folder);
  if (x.display().empty()) {
    std::fprintf(stderr, "a private Xvfb did not start; %s\n", x.log().c_str());
    return 1;
  }
  ::setenv("DISPLAY", x.display().c_str(), 1);
  ::setenv("QT_QPA_PLATFORM", "xcb", 1);
  QApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
