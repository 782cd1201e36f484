// The shared widgets: the four colours and the dark palette, the switch word, the close cross and the
// permissions warning, each with its exact texts and what a click does.
#include "ui/widgets.h"

#include <gtest/gtest.h>

#include <QHBoxLayout>
#include <QTest>

#include "keystroke/permissions.h"
#include "support/recording_key_output.h"
#include "support/virtual_loop.h"
#include "ui/colours.h"
#include "ui/permissions_word.h"

namespace {

TEST(Colours, AreTheFourOfTheWindowAndEveryTextReadsOnItsGround) {
  EXPECT_EQ(ui::GREEN.name() + ui::GREY.name() + ui::AMBER.name() + ui::INK.name(),
            "#33d17a#7a8087#e8a33d#0b0d10");
  const QPalette p = ui::darkPalette();
  EXPECT_EQ(p.color(QPalette::Window), ui::INK);
  using R = QPalette::ColorRole;
  for (const auto& [ground, text] : {std::pair{R::Window, R::WindowText},
                                     {R::Base, R::Text},
                                     {R::ToolTipBase, R::ToolTipText},
                                     {R::Highlight, R::HighlightedText}})
    for (const auto group : {QPalette::Active, QPalette::Inactive})
      EXPECT_GT(p.color(group, text).lightness() - p.color(group, ground).lightness(), 100) << text << group;
}

TEST(Word, IsDrawnGreenWhileOnGreyWhileOffAndAClickRunsItsAction) {
  const auto greenPixels = [](QWidget& w) {
    const QImage image = w.grab().toImage();
    int count = 0;
    for (int at = 0; at < image.width() * image.height(); ++at)
      count += image.pixelColor(at % image.width(), at / image.width()) == ui::GREEN;
    return count;
  };
  int runs = 0;
  ui::Word word(
      "ON", true, [&] { ++runs; }, "power", "sending");
  word.show();
  EXPECT_GT(greenPixels(word), 10);
  EXPECT_EQ(word.accessibleDescription(), "sending");
  EXPECT_EQ(std::pair(word.font().pixelSize(), word.font().bold()), std::pair(13, true));
  QTest::mouseClick(&word, Qt::LeftButton);
  EXPECT_EQ(runs, 1);
  word.setOn(false);
  EXPECT_EQ(word.colour(), ui::GREY);
  EXPECT_EQ(greenPixels(word), 0);
  ui::Word unnamed("top", false);
  EXPECT_EQ(unnamed.accessibleDescription(), "off");
  unnamed.setOn(true);
  EXPECT_EQ(unnamed.accessibleDescription(), "on");
}

TEST(CloseX, RunsItsActionOrElseClosesTheWindowItSitsIn) {
  QWidget window;
  auto* layout = new QHBoxLayout(&window);
  int runs = 0;
  auto* acting = new ui::CloseX([&] { ++runs; });
  auto* closing = new ui::CloseX;
  layout->addWidget(acting);
  layout->addWidget(closing);
  window.show();
  EXPECT_EQ(closing->accessibleName(), "Close window");
  EXPECT_EQ(closing->toolTip(), "close this window; the app stays on");
  EXPECT_EQ(closing->size(), QSize(28, 28));
  QTest::mouseClick(acting, Qt::LeftButton);
  EXPECT_EQ(runs, 1);
  EXPECT_TRUE(window.isVisible());
  QTest::mouseClick(closing, Qt::LeftButton);
  EXPECT_FALSE(window.isVisible());
}

TEST(PermissionsWord, ShowsWhileAPermissionIsMissingAndAClickAsksTheSystemForIt) {
  VirtualLoop loop;
  RecordingKeyOutput keys;
  keys.isTrusted = false;
  const auto permissions = std::make_shared<Permissions>(loop, keys);
  permissions->watch();
  QWidget header;
  auto* word = new ui::PermissionsWord(permissions, &header);
  header.show();
  EXPECT_TRUE(word->isVisible());
  EXPECT_EQ(word->text(), "PERMISSIONS");
  EXPECT_EQ(word->colour(), ui::AMBER);
  EXPECT_EQ(
      word->toolTip(),
      "A permission is missing: this opens its page in System Settings; switch Orvane VUDA Verer on there");
  EXPECT_EQ(word->accessibleName(), "Permissions");
  QTest::mouseClick(word, Qt::LeftButton);
  EXPECT_EQ(keys.trustAsked, 1);
  keys.isTrusted = true;
  loop.advance(Permissions::CHECK_EVERY);
  EXPECT_FALSE(word->isVisible());
}

}  // namespace
