// The blob's window: it never takes the focus, the turn between Qt's coordinates (top left, y down) and the
// blob's (bottom left of the primary screen, y up), and the real blob logic driving it: home place, drag and
// grip, where the mouse's points in the window and on the screen must both come out right.
#include "ui/blob_panel.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QWidget>

#include "mackie/engine/blob.h"
#include "support/fake_workspace.h"
#include "support/virtual_loop.h"

namespace {

QRect primary() {
  return QGuiApplication::primaryScreen()->geometry();
}

// A mouse event at `local` in the window, as the window system would send it.
void mouse(QWidget& w, QEvent::Type type, QPoint local) {
  const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
  QMouseEvent event(type, QPointF(local), QPointF(w.mapToGlobal(local)), Qt::LeftButton, held,
                    Qt::NoModifier);
  QCoreApplication::sendEvent(&w, &event);
}

// Live keeps the keyboard while the blob shows and while it is dragged.
TEST(BlobPanel, NeverTakesTheFocusAndCountsFramesFromTheBottomLeftOfThePrimaryScreenUpwards) {
  ui::BlobPanel panel;
  const auto flags = panel.widget().windowFlags();
  for (const auto flag : {Qt::Tool, Qt::WindowStaysOnTopHint, Qt::WindowDoesNotAcceptFocus})
    EXPECT_TRUE(flags.testFlag(flag)) << flag;
  EXPECT_TRUE(panel.widget().testAttribute(Qt::WA_ShowWithoutActivating));
  const QRect p = primary();
  panel.setFrame({100, 50, 300, 46});
  EXPECT_EQ(panel.widget().geometry(), QRect(p.x() + 100, p.y() + p.height() - 96, 300, 46));
  EXPECT_EQ(panel.frame(), (geometry::Rect{100, 50, 300, 46}));
}

TEST(BlobPanel, UnderTheBlobLogicSitsAtHomeMovesWithItsBodyAndGrowsWithItsGrip) {
  VirtualLoop loop;
  FakeWorkspace workspace;
  const QRect p = primary();
  workspace.screenList = {{{0, 0, double(p.width()), double(p.height())}, {}}};
  auto window = std::make_unique<ui::BlobPanel>();
  auto* panel = window.get();
  const auto blob = std::make_shared<MKBlob>(std::move(window), loop, workspace, 22, std::nullopt,
                                             [&] { return workspace.screenList.front().frame; });
  QWidget& w = panel->widget();
  EXPECT_NEAR(w.geometry().center().x(), p.center().x(), 1);
  blob->say("the toast  ||  PLAY / STOP", 1.0);
  EXPECT_TRUE(w.isVisible());
  EXPECT_GT(w.width(), 220);
  EXPECT_EQ(w.y(), p.y() + 28);

  // The body: the window follows the mouse, in Qt's coordinates too.
  const QPoint before = w.pos();
  mouse(w, QEvent::MouseButtonPress, {20, 20});
  mouse(w, QEvent::MouseMove, {60, 50});
  mouse(w, QEvent::MouseButtonRelease, {60, 50});
  EXPECT_EQ(w.pos(), before + QPoint(40, 30));

  // The grip, pulled down: a larger text, its top edge where it was.
  const int top = w.y();
  const int height = w.height();
  mouse(w, QEvent::MouseButtonPress, {w.width() - 8, w.height() - 8});
  mouse(w, QEvent::MouseMove, {w.width() - 8, w.height() + 60});
  mouse(w, QEvent::MouseButtonRelease, {w.width() - 8, w.height() + 60});
  EXPECT_GT(blob->size(), 22);
  EXPECT_GT(w.height(), height);
  EXPECT_EQ(w.y(), top);
}

}  // namespace
