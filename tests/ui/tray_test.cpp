// The tray: its drawn icon and tool tip, and a menu rebuilt from the shell's lines each time it opens (the
// lines' own texts are the modules' tests).
#include "ui/tray.h"

#include "shell_fixture.h"

namespace {

using TrayTest = ShellFixture;

// The menu as the user sees it when it opens, written as the shell's lines are.
std::vector<std::string> opened(ui::Tray& tray) {
  emit tray.menu().aboutToShow();
  std::vector<std::string> lines;
  for (auto* a : tray.menu().actions())
    lines.push_back(TestShell::shown(a->isSeparator(), a->text().toStdString(), a->isEnabled(),
                                     a->isCheckable() ? std::optional(a->isChecked()) : std::nullopt));
  return lines;
}

TEST_F(TrayTest, IconIsDrawnTellsWhatTheProgramDoesAndItsMenuIsTheShellsLinesOfTheMomentItOpens) {
  start();
  ui::Tray tray(umbrella);
  EXPECT_EQ(tray.icon().toolTip().toStdString(), Umbrella::TOOL_TIP);
  const QImage image = tray.icon().icon().pixmap(64, 64).toImage();
  ASSERT_FALSE(image.isNull());
  int white = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      white += image.pixelColor(x, y).lightness() > 200;
  EXPECT_GT(white, 20);  // the letters

  EXPECT_EQ(opened(tray), menu());
  midikeys->engine->power();  // changed elsewhere while the menu was closed
  const auto now = opened(tray);
  EXPECT_EQ(now, menu());
  EXPECT_EQ(now[8], "  Send keys");

  tray.menu().actions()[1]->trigger();
  EXPECT_FALSE(mackie->engine->power());
  int shown = 0;
  umbrella->showSettings = [&] { ++shown; };
  tray.menu().actions().back()->trigger();
  EXPECT_EQ(shown, 1);
}

}  // namespace
