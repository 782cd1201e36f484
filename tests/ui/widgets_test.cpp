// The shared widgets (the four colours, each screen's inks and the dark palette, the switch word, the close
// cross, the permissions warning) and the blob's window, with their exact texts and what a click or a drag
// does. The widget tests run in one QApplication, on the offscreen platform unless told otherwise, so that
// they need no display.
#include "ui/widgets.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QMouseEvent>
#include <QScreen>
#include <QTest>

#include "common/observers.h"
#include "keystroke/permissions.h"
#include "mackie/engine/blob.h"
#include "support/fake_workspace.h"
#include "support/recording_key_output.h"
#include "support/virtual_loop.h"
#include "ui/blob_panel.h"
#include "ui/colours.h"
#include "ui/commit_field.h"
#include "ui/keystroke/ink.h"
#include "ui/mackie/style.h"
#include "ui/permissions_word.h"
#include "ui/subscription.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

namespace {

TEST(Widgets, TheFourColoursTheWordTheCrossAndThePermissionsWarningEachDoTheirPart) {
  EXPECT_EQ(ui::GREEN.name() + ui::GREY.name() + ui::AMBER.name() + ui::INK.name(),
            "#33d17a#7a8087#e8a33d#0b0d10");
  EXPECT_EQ(ui::MK_SAND.name() + ui::MK_SLATE.name() + ui::MK_RED.name(),
            "#f2ddb4#23303d#ef4444");  // the MK inks
  EXPECT_EQ(KSInk::surface.name() + KSInk::slate.name() + KSInk::dim.name() + KSInk::sand.name() +
                KSInk::red.name() + KSInk::cy.name(),
            "#15181d#2c3139#606770#ded3bc#e5484d#56c2e6");  // the Key Stroke inks
  VirtualLoop loop;
  RecordingKeyOutput keys;
  keys.isTrusted = false;
  const auto permissions = std::make_shared<Permissions>(loop, keys);
  permissions->watch();
  // The word's colours, its action and the cross closing its window: the settings window's tests.
  const ui::Word word("ON", true);
  EXPECT_EQ(std::pair(word.font().pixelSize(), word.font().bold()), std::pair(13, true));
  const QSize text = word.fontMetrics().size(0, word.text());  // the pill never cuts its word
  EXPECT_GT(std::min(word.sizeHint().width() - text.width(), word.sizeHint().height() - text.height()), 0);
  int runs = 0;
  QWidget window;
  auto* acting = new ui::CloseX([&] { ++runs; }, &window);
  auto* warning = new ui::PermissionsWord(permissions, &window);
  window.show();

  // The permissions warning shows while a permission is missing, and a click asks the system for it.
  EXPECT_TRUE(warning->isVisible());
  EXPECT_EQ(warning->text(), "PERMISSIONS");
  EXPECT_EQ(warning->colour(), ui::AMBER);
  EXPECT_EQ(
      warning->toolTip().toStdString(),
      "A permission is missing: no X display with XTEST is reachable, so no key is pressed or captured. "
      "Click to try the display again; Orvane VUDA Verer must run in an X11 session (or XWayland) named "
      "by DISPLAY");
  QTest::mouseClick(warning, Qt::LeftButton);
  EXPECT_EQ(keys.trustAsked, 1);
  keys.isTrusted = true;
  loop.advance(Permissions::CHECK_EVERY);
  EXPECT_FALSE(warning->isVisible());

  EXPECT_EQ(acting->size(), QSize(28, 28));
  QTest::mouseClick(acting, Qt::LeftButton);  // runs its action instead of closing
  EXPECT_EQ(runs, 1);
  EXPECT_TRUE(window.isVisible());
}

// The field's own menu takes the keyboard while it is open: what is typed stays and Paste lands in it; Return
// hands the text over. (The focus really moving on hands it over too: the sections' and the window's tests.)
TEST(CommitField, ItsOwnMenuKeepsTheTypedTextAndReturnHandsItOver) {
  QWidget window;
  auto* field = new CommitField(&window);
  std::vector<std::string> handed;
  field->commit = [&](const std::string& typed) { handed.push_back(typed); };
  field->setValue("0");
  window.show();
  QApplication::setActiveWindow(&window);
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  field->setFocus();
  field->selectAll();
  QTest::keyClicks(field, "1");
  QGuiApplication::clipboard()->setText("27");
  const std::unique_ptr<QMenu> menu(field->createStandardContextMenu());
  menu->popup(field->mapToGlobal(QPoint(0, field->height())));
  ASSERT_TRUE(menu->isVisible());
  QAction* paste = nullptr;
  for (QAction* entry : menu->actions())
    if (entry->text().startsWith("&Paste")) paste = entry;
  ASSERT_NE(paste, nullptr);
  paste->trigger();
  menu->close();
  QTest::keyClick(field, Qt::Key_Return);
  EXPECT_EQ(handed, std::vector<std::string>{"127"});  // typed, pasted, and handed over once, on Return
}

// The blob's window never takes the focus (Live keeps the keyboard), turns Qt's coordinates (top left, y
// down) into the blob's (bottom left of the primary screen, y up), and under the real blob logic shows and
// moves with its body: the mouse's points in the window and on the screen must both be right.
TEST(BlobPanel, NeverTakesTheFocusCountsFromTheBottomLeftAndMovesUnderTheBlobLogic) {
  VirtualLoop loop;
  FakeWorkspace workspace;
  const QRect p = QGuiApplication::primaryScreen()->geometry();
  workspace.screenList = {{{0, 0, double(p.width()), double(p.height())}, {}}};
  auto window = std::make_unique<ui::BlobPanel>();
  QWidget& w = window->widget();
  for (const auto flag : {Qt::Tool, Qt::WindowStaysOnTopHint, Qt::WindowDoesNotAcceptFocus})
    EXPECT_TRUE(w.windowFlags().testFlag(flag)) << flag;
  EXPECT_TRUE(w.testAttribute(Qt::WA_ShowWithoutActivating));
  window->setFrame({100, 50, 300, 46});
  EXPECT_EQ(w.geometry(), QRect(p.x() + 100, p.y() + p.height() - 96, 300, 46));

  const auto blob = std::make_shared<MKBlob>(std::move(window), loop, workspace, 22, std::nullopt,
                                             [&] { return workspace.screenList.front().frame; });
  blob->say("the toast  ||  PLAY / STOP", 1.0);
  EXPECT_TRUE(w.isVisible());
  // The body dragged by (40, 30) with the events the window system would send: the window follows the mouse.
  const QPoint before = w.pos();
  for (const auto& [type, at] : {std::pair{QEvent::MouseButtonPress, QPoint(20, 20)},
                                 {QEvent::MouseMove, QPoint(60, 50)},
                                 {QEvent::MouseButtonRelease, QPoint(60, 50)}}) {
    QMouseEvent event(type, QPointF(at), QPointF(w.mapToGlobal(at)), Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&w, &event);
  }
  EXPECT_EQ(w.pos(), before + QPoint(40, 30));
}

// A screen's subscription replaced by another lets go of the first: the source keeps one listener.
TEST(Subscription, ReplacedByAnotherLetsGoOfTheFirst) {
  const auto source = std::make_shared<Observers>();
  ui::Subscription held(source, [] {});
  held = ui::Subscription(source, [] {});
  EXPECT_EQ(source->size(), 1u);
}

}  // namespace
