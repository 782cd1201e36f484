// The tray: its drawn icon and tool tip, and a menu rebuilt from the shell's lines each time it opens (the
// lines' own texts are the modules' tests).
#include "ui/tray.h"

#include "shell_fixture.h"

namespace {

using TrayTest = ShellFixture;

TEST_F(TrayTest, IconIsDrawnTellsWhatTheProgramDoesAndItsMenuIsTheShellsLinesOfTheMomentItOpens) {
  start();
  ui::Tray tray(umbrella);
  EXPECT_EQ(tray.icon().toolTip().toStdString(), Umbrella::TOOL_TIP);
  const QImage image = tray.icon().icon().pixmap(64, 64).toImage();
  int white = 0;
  for (int at = 0; at < image.width() * image.height(); ++at)
    white += image.pixelColor(at % image.width(), at / image.width()).lightness() > 200;
  EXPECT_GT(white, 20);  // the letters

  // The menu as the user sees it when it opens, written as the shell's lines are.
  const auto opened = [&] {
    emit tray.menu().aboutToShow();
    std::vector<std::string> lines;
    for (auto* a : tray.menu().actions())
      lines.push_back(TestShell::shown(a->isSeparator(), a->text().toStdString(), a->isEnabled(),
                                       a->isCheckable() ? std::optional(a->isChecked()) : std::nullopt));
    return lines;
  };
  EXPECT_EQ(opened(), menu());
  midikeys->engine->power();  // changed elsewhere while the menu was closed
  EXPECT_EQ(opened(), menu());
  EXPECT_EQ(opened()[8], "  Send keys");
  tray.menu().actions()[1]->trigger();
  EXPECT_FALSE(mackie->engine->power());
}

}  // namespace
