// The tray: its drawn icon and tool tip, and a menu rebuilt from the shell's lines each time it opens, with
// their disabled, checked and divider lines and what choosing one does.
#include "ui/tray.h"

#include "shell_fixture.h"

namespace {

class TrayTest : public ShellFixture {
 protected:
  // The menu as the user sees it when it opens: one text per line, "---" for a divider.
  static std::vector<std::string> opened(ui::Tray& tray) {
    emit tray.menu().aboutToShow();
    std::vector<std::string> lines;
    for (auto* action : tray.menu().actions())
      lines.push_back(action->isSeparator() ? "---" : action->text().toStdString());
    return lines;
  }
  static QAction* line(ui::Tray& tray, const QString& text) {
    for (auto* action : tray.menu().actions())
      if (action->text() == text) return action;
    return nullptr;
  }
};

TEST_F(TrayTest, IconIsDrawnFromTheWordAndTellsWhatTheProgramDoes) {
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
}

TEST_F(TrayTest, MenuIsTheShellsLinesOfNowEachTimeItOpens) {
  start();
  ui::Tray tray(umbrella);
  std::vector<std::string> expected;
  for (const auto& l : umbrella->menu())
    expected.push_back(l.separator ? "---" : l.title);
  EXPECT_EQ(opened(tray), expected);

  auto* header = line(tray, QString::fromStdString("MIDI TO KEY STROKE  ·  " + midikeys->status()));
  ASSERT_NE(header, nullptr);
  EXPECT_FALSE(header->isEnabled());
  auto* blob = line(tray, "  The command blob at the top of Live");
  ASSERT_NE(blob, nullptr);
  EXPECT_TRUE(blob->isCheckable());
  EXPECT_TRUE(blob->isChecked());
  EXPECT_EQ(line(tray, "  Send keys"), nullptr);

  line(tray, "  Stop sending keys")->trigger();
  EXPECT_FALSE(midikeys->engine->on);
  opened(tray);
  ASSERT_NE(line(tray, "  Send keys"), nullptr);
  EXPECT_TRUE(line(tray, "  Send keys")->isEnabled());
  EXPECT_FALSE(line(tray, "  Send keys")->isCheckable());

  line(tray, "  The command blob at the top of Live")->trigger();
  opened(tray);
  EXPECT_FALSE(line(tray, "  The command blob at the top of Live")->isChecked());

  int shown = 0;
  umbrella->showSettings = [&] { ++shown; };
  line(tray, "Settings…")->trigger();
  EXPECT_EQ(shown, 1);

  umbrella->setModule("mackie", false);
  const auto lines = opened(tray);
  EXPECT_EQ(std::count_if(lines.begin(), lines.end(), [](const auto& l) { return l.find("MK") != l.npos; }),
            0);
}

}  // namespace
