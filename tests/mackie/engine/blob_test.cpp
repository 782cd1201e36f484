// The command blob on a virtual loop and a fake desktop: placing, showing for a while, dragging, resizing,
// closing.
#include "mackie/engine/blob.h"

#include <gtest/gtest.h>

#include <limits>

#include "support/fake_blob_window.h"
#include "support/fake_workspace.h"
#include "support/virtual_loop.h"

namespace {

using geometry::Point;
using geometry::Rect;

const Screen SECOND{{1440, 0, 1920, 1080}, {1440, 0, 1920, 1080}};

struct BlobTest : ::testing::Test {
  VirtualLoop loop;
  FakeWorkspace desk;
  Rect live{0, 0, 1440, 900};
  FakeBlobWindow* win = nullptr;
  std::vector<std::pair<std::optional<double>, std::optional<double>>> moves;
  std::vector<double> sizes;
  int closes = 0;

  std::shared_ptr<MKBlob> make(double size = 15, std::optional<Point> place = std::nullopt) {
    auto w = std::make_unique<FakeBlobWindow>();
    win = w.get();
    auto blob = std::make_shared<MKBlob>(std::move(w), loop, desk, size, place, [this] { return live; });
    blob->moved = [this](auto x, auto y) { moves.emplace_back(x, y); };
    blob->resized = [this](double s) { sizes.push_back(s); };
    blob->closed = [this] { ++closes; };
    return blob;
  }
};

// The arithmetic of the layout, home, hits, drag and grip is the geometry's own (Blob* tests); here it is
// wired to the window, the screens and the mouse.
TEST_F(BlobTest, IsLaidOutForEachNewTextOnceAtAUsableSizeAndPlacedHomeOrWhereStoredWhileThatIsOnAScreen) {
  auto blob = make();
  EXPECT_EQ(win->texts, (std::vector<std::pair<std::string, double>>{{"", 15}}));
  EXPECT_EQ(win->current, (Rect{610, 832, 220, 40}));
  EXPECT_FALSE(blob->visible());

  blob = make(20);
  blob->say("PLAY", 1);
  const auto& l = win->layouts.back();
  EXPECT_EQ(win->current, (Rect{610, 828, 220, 44}));  // the top edge kept
  EXPECT_EQ(l.label, (Rect{11, 10, 198, 24}));
  EXPECT_EQ(l.close, (Rect{198, 22, 18, 18}));
  EXPECT_EQ(l.grip, (Rect{202, 3, 14, 16}));
  const auto texts = win->texts.size(), layouts = win->layouts.size();
  blob->say("PLAY", 1);
  EXPECT_EQ(win->texts.size(), texts);
  EXPECT_EQ(win->layouts.size(), layouts);
  blob->say(MKBlob::line("the toast", "PLAY / STOP"), 1);
  EXPECT_EQ(blob->text(), "the toast  ||  PLAY / STOP");
  EXPECT_EQ(win->current, (Rect{610, 828, 356, 44}));  // 26 characters of 12 points, plus the padding

  desk.screenList.push_back(SECOND);
  blob = make(15, Point{2000, 100});
  EXPECT_EQ(win->current, (Rect{2000, 760, 220, 40}));
  desk.screenList.pop_back();  // unplugged: home again
  blob = make(15, Point{2000, 100});
  EXPECT_EQ(win->current, (Rect{610, 832, 220, 40}));

  // A stored size is kept within the grip's range.
  EXPECT_EQ(make(std::numeric_limits<double>::quiet_NaN())->size(), 10);
  EXPECT_EQ(make(0)->size(), 10);
  EXPECT_EQ(make(500)->size(), 120);
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
  blob->say("gone", std::numeric_limits<double>::quiet_NaN());  // no hold at all
  loop.runDue();
  EXPECT_FALSE(blob->visible());
}

TEST_F(BlobTest, TheMouseMovesItResizesItFromTheGripAndClosesItFromTheCross) {
  auto blob = make();
  win->press({50, 20}, {660, 852});
  win->dragTo({700, 800});
  EXPECT_EQ(win->current, (Rect{650, 780, 220, 40}));
  win->release();
  EXPECT_EQ(moves, (decltype(moves){{650, 80}}));  // its top-left place
  EXPECT_TRUE(sizes.empty());

  blob = make();
  blob->say("PLAY / STOP", 1);
  const double top = win->current.maxY();
  win->press({210, 5}, {815, 835});
  win->dragTo({815, -5000});
  EXPECT_EQ(blob->size(), 120);
  EXPECT_EQ(win->texts.back(), std::make_pair(std::string("PLAY / STOP"), 120.0));
  EXPECT_EQ(win->current, (Rect{610, top - 164, 836, 164}));
  win->release();
  EXPECT_EQ(sizes, std::vector<double>{120});
  EXPECT_EQ(moves.size(), 1u);

  blob = make();
  const auto frames = win->frames.size();
  win->press({210, 35}, {820, 867});
  win->dragTo({0, 0});  // the cross starts no drag
  win->release();
  EXPECT_EQ(closes, 1);
  EXPECT_EQ(win->frames.size(), frames);
  EXPECT_EQ(moves.size(), 1u);
  EXPECT_EQ(sizes.size(), 1u);

  desk.screenList.clear();
  auto lost = make(15, Point{10, 10});
  EXPECT_EQ(win->current, (Rect{610, 832, 220, 40}));  // home on Live's screen all the same
  lost->press({50, 20}, {0, 0});
  lost->release();
  EXPECT_EQ(moves, (decltype(moves){{650, 80}, {std::nullopt, std::nullopt}}));  // no screen to place it on
}

TEST_F(BlobTest, CanBeDestroyedFromItsCrossAndAgainHarmlesslyAndLeavesNothingBehind) {
  auto blob = make();
  blob->closed = [&] { blob->destroy(); };
  blob->say("one", 1.0);
  win->press({210, 35}, {820, 867});
  blob->destroy();
  blob->say("two", 1.0);
  loop.advance(2);
  EXPECT_EQ(win->closes, 1);
  EXPECT_EQ(win->hides, 1);  // the second destroy and the cancelled hiding left the closed window alone
  EXPECT_EQ(win->shows, 1);
  EXPECT_FALSE(blob->visible());
  make()->say("dropped before its hiding is due", 1.0);
  loop.advance(2);
  EXPECT_EQ(loop.pending(), 0u);
}

}  // namespace
