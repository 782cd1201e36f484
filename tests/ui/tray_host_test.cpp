// The program's tray and window on a desktop whose tray host comes after it, as a panel that starts later in
// the session: the icon goes to the host once it is there and the window's note that there is no tray goes;
// when the host goes, the note comes back. `trayer` is the host, on the tests' own X server.
#include <gtest/gtest.h>

#include <QTest>

#include "support/spawned_process.h"
#include "support/test_shell.h"
#include "ui/desktop.h"
#include "ui/settings_window.h"
#include "ui/tray.h"

namespace {

TEST(TrayHost, ATrayHostThatComesLaterTakesTheIconAndTheWindowStopsSayingThereIsNoTray) {
  TestShell shell;
  shell.start();
  ui::Desktop desktop(shell.umbrella, shell.permissions, [] {});
  auto* note = desktop.window().findChild<QWidget*>("noTray");
  ASSERT_NE(note, nullptr);
  const auto embedded = [&] { return !desktop.tray().icon().geometry().isEmpty(); };
  // No host: the window opens by itself and says how it comes back.
  EXPECT_TRUE(desktop.window().isVisible());
  EXPECT_TRUE(note->isVisible());
  EXPECT_FALSE(embedded());

  auto host =
      std::make_unique<SpawnedProcess>(std::vector<std::string>{"trayer", "--edge", "top", "--align", "right",
                                                                "--widthtype", "request", "--height", "24"},
                                       shell.home.path() + "/trayer.log");
  EXPECT_TRUE(QTest::qWaitFor([&] { return embedded() && !note->isVisible(); }, 10'000)) << host->output();
  EXPECT_TRUE(desktop.tray().hosted());
  EXPECT_TRUE(desktop.window().isVisible());  // the window stays where the user has it

  host.reset();
  EXPECT_TRUE(QTest::qWaitFor([&] { return note->isVisible(); }, 10'000));
}

}  // namespace
