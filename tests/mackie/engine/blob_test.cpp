// The command blob on a virtual loop and a fake desktop: placing, showing for a while, dragging, resizing,
// closing. The arithmetic of the layout, home, hits, drag and grip is the geometry's own (Blob* tests).
#include "mackie/engine/blob.h"

#include <gtest/gtest.h>

#include <limits>

#include "support/fake_blob_window.h"
#include "support/fake_workspace.h"
#include "support/virtual_loop.h"

namespace {

using geometry::Point;
using geometry::Rect;

struct BlobTest : ::testing::Test {
  VirtualLoop loop;
  FakeWorkspace desk;  // one screen of 1440 × 900, where Live is
  FakeBlobWindow* win = nullptr;
  std::vector<std::pair<std::optional<double>, std::optional<double>>> moves;
  std::vector<double> sizes;
  int closes = 0;

  std::shared_ptr<MKBlob> make(double size = 15, std::optional<Point> place = std::nullopt) {
    auto w = std::make_unique<FakeBlobWindow>();
    win = w.get();
    auto blob = std::make_shared<MKBlob>(std::move(w), loop, desk, size, place, [] {
      return Rect{0, 0, 1440, 900};
    });
    blob->moved = [this](auto x, auto y) { moves.emplace_back(x, y); };
    blob->resized = [this](double s) { sizes.push_back(s); };
    blob->closed = [this] { ++closes; };
    return blob;
  }
};

TEST_F(BlobTest, IsLaidOutForEachNewTextOnceKeepingItsTopEdgeAndPlacedHomeOrWhereStoredWhileThatIsOnAScreen) {
  auto blob = make(20);
  EXPECT_EQ(win->current, (Rect{610, 828, 220, 44}));  // home
  EXPECT_FALSE(blob->visible());
  blob->say(MKBlob::line("the toast", "PLAY / STOP"), 1);
  EXPECT_EQ(blob->text(), "the toast  ||  PLAY / STOP");
  EXPECT_EQ(win->current, (Rect{610, 828, 356, 44}));  // 26 characters of 12 points, plus the padding
  const auto layouts = win->layouts.size();
  blob->say("the toast  ||  PLAY / STOP", 1);
  EXPECT_EQ(win->layouts.size(), layouts);

  desk.screenList.push_back({{1440, 0, 1920, 1080}, {1440, 0, 1920, 1080}});
  blob = make(15, Point{2000, 100});
  EXPECT_EQ(win->current, (Rect{2000, 760, 220, 40}));
  desk.screenList.pop_back();  // unplugged: home again
  blob = make(15, Point{2000, 100});
  EXPECT_EQ(win->current, (Rect{610, 832, 220, 40}));
  EXPECT_EQ(make(500)->size(), 120);  // a stored size is kept within the grip's range
  EXPECT_EQ(make(0)->size(), 10);
}

TEST_F(BlobTest, StaysUntilTheHoldHasPassedSinceTheLastMessageAndHidingAtOnceCancelsThePendingHiding) {
  auto blob = make();
  blob->say("one", 1.0);
  loop.advance(0.5);
  blob->say("two", 1.0);
  loop.advance(0.99);
  EXPECT_TRUE(blob->visible());
  loop.advance(0.01);
  EXPECT_FALSE(blob->visible());
  EXPECT_EQ(win->shows, 1);
  blob->say("three", 1.0);
  blob->hideNow();
  EXPECT_FALSE(blob->visible());
  loop.advance(0.5);
  blob->say("four", 1.0);
  loop.advance(0.7);
  EXPECT_TRUE(blob->visible());
  blob->say("kept", std::numeric_limits<double>::infinity());  // until the next message
  loop.advance(1e6);
  EXPECT_TRUE(blob->visible());
}

TEST_F(BlobTest, TheMouseMovesItResizesItFromTheGripAndClosesItFromTheCrossForGood) {
  auto blob = make();
  win->press({50, 20}, {660, 852});
  win->dragTo({700, 800});
  EXPECT_EQ(win->current, (Rect{650, 780, 220, 40}));
  win->release();
  EXPECT_EQ(moves, (decltype(moves){{650, 80}}));  // its top-left place

  blob->say("PLAY / STOP", 1);
  win->press({210, 5}, {815, 835});
  win->dragTo({815, -5000});
  EXPECT_EQ(win->texts.back(), std::make_pair(std::string("PLAY / STOP"), 120.0));
  win->release();
  EXPECT_EQ(sizes, std::vector<double>{120});
  EXPECT_EQ(moves.size(), 1u);

  // The cross starts no drag; here it destroys the blob, which a second destroy leaves alone.
  blob->closed = [&] {
    ++closes;
    blob->destroy();
  };
  const auto frames = win->frames.size();
  win->press({win->current.width - 5, win->current.height - 5}, {0, 0});
  win->dragTo({0, 0});
  win->release();
  EXPECT_EQ(closes, 1);
  EXPECT_EQ(win->frames.size(), frames);
  blob->destroy();
  blob->say("two", 1.0);
  loop.advance(2);
  EXPECT_EQ(win->closes, 1);
  EXPECT_EQ(win->hides, 1);  // the cancelled hiding left the closed window alone
  EXPECT_EQ(win->shows, 1);
  make()->say("dropped before its hiding is due", 1.0);
  loop.advance(2);
  EXPECT_EQ(loop.pending(), 0u);
}

}  // namespace
