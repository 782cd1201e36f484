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
  EXPECT_EQ(ui::GREEN.name(), "#33d17a");
  EXPECT_EQ(ui::GREY.name(), "#7a8087");
  EXPECT_EQ(ui::AMBER.name(), "#e8a33d");
  EXPECT_EQ(ui::INK.name(), "#0b0d10");
  const QPalette p = ui::darkPalette();
  EXPECT_EQ(p.color(QPalette::Window), ui::INK);
  EXPECT_EQ(p.color(QPalette::WindowText).name(), "#ebedf0");
  using R = QPalette::ColorRole;
  for (const auto& [ground, text] : {std::pair{R::Window, R::WindowText},
                                     {R::Base, R::Text},
                                     {R::Button, R::ButtonText},
                                     {R::ToolTipBase, R::ToolTipText},
                                     {R::Highlight, R::HighlightedText}})
    for (const auto group : {QPalette::Active, QPalette::Inactive})
      EXPECT_GT(p.color(group, text).lightness() - p.color(group, ground).lightness(), 100) << text << group;
}

// How many of a widget's pixels are drawn in `colour`.
int pixelsIn(QWidget& widget, const QColor& colour) {
  const QImage image = widget.grab().toImage();
  int count = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      count += image.pixelColor(x, y) == colour;
  return count;
}

TEST(Word, IsDrawnGreenWhileOnGreyWhileOffAndAClickRunsItsAction) {
  int runs = 0;
  ui::Word word(
      "ON", true, [&] { ++runs; }, "power", "sending");
  word.show();
  EXPECT_EQ(word.colour(), ui::GREEN);
  EXPECT_GT(pixelsIn(word, ui::GREEN), 10);
  EXPECT_EQ(word.objectName(), "power");
  EXPECT_EQ(word.accessibleDescription(), "sending");
  EXPECT_TRUE(word.font().bold());
  EXPECT_EQ(word.font().pixelSize(), 13);
  QTest::mouseClick(&word, Qt::LeftButton);
  EXPECT_EQ(runs, 1);
  word.setOn(false);
  EXPECT_EQ(word.colour(), ui::GREY);
  EXPECT_GT(pixelsIn(word, ui::GREY), 10);
  EXPECT_EQ(pixelsIn(word, ui::GREEN), 0);

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

  EXPECT_EQ(closing->objectName(), "close");
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
  keys.isTrusted = false;
  loop.advance(Permissions::CHECK_EVERY);
  EXPECT_TRUE(word->isVisible());
}

}  // namespace
