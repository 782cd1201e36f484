// The command blob on a virtual loop and a fake desktop: where it is placed. Showing for a while, dragging
// and the grip are checked where the engine uses and saves them (EngineTest) and on the real panel
// (BlobPanel); their arithmetic is the geometry's own (BlobGeometry).
#include "mackie/engine/blob.h"

#include <gtest/gtest.h>

#include <cmath>

#include "common/live_app.h"
#include "support/fake_blob_window.h"
#include "support/fake_workspace.h"
#include "support/virtual_loop.h"

using geometry::Point;
using geometry::Rect;

struct BlobTest : testing::Test {
  VirtualLoop loop;
  FakeWorkspace desk;  // one screen of 1440 × 900, where Live is
  FakeBlobWindow* win = nullptr;
  std::shared_ptr<MKBlob> last;  // owns *win: kept until the next make, so win never dangles

  std::shared_ptr<MKBlob> make(double size = 15, std::optional<Point> place = std::nullopt) {
    auto w = std::make_unique<FakeBlobWindow>();
    win = w.get();
    last = std::make_shared<MKBlob>(std::move(w), loop, desk, size, place, [] {
      return Rect{0, 0, 1440, 900};
    });
    return last;
  }
};

TEST_F(BlobTest, IsLaidOutForEachTextKeepingItsTopEdgeAndPlacedHomeOrWhereStoredWhileThatIsOnAScreen) {
  auto blob = make(20);
  EXPECT_EQ(win->current, (Rect{610, 828, 220, 44}));  // home
  EXPECT_FALSE(blob->visible());
  blob->say(MKBlob::line("the toast", "PLAY / STOP"), 1);
  EXPECT_EQ(win->current, (Rect{610, 828, 356, 44}));  // 26 characters of 12 points, plus the padding
  desk.screenList.push_back({{1440, 0, 1920, 1080}, {1440, 0, 1920, 1080}});
  make(15, Point{2000, 100});
  EXPECT_EQ(win->current, (Rect{2000, 760, 220, 40}));
  desk.screenList.pop_back();  // unplugged: home again
  make(15, Point{2000, 100});
  EXPECT_EQ(win->current, (Rect{610, 832, 220, 40}));
}

// Its countdown runs from the last message; a stored size is held to what the grip could give, 10 to 120.
TEST_F(BlobTest, HidesWhenTheLastMessageHasBeenShownItsTimeAndKeepsItsSizeWithinBounds) {
  auto blob = make();
  blob->say("one", 1);
  loop.advance(0.6);
  blob->say("two", 1);
  loop.advance(0.6);
  EXPECT_TRUE(blob->visible());
  loop.advance(0.41);
  EXPECT_FALSE(blob->visible());
  for (const auto& [stored, used] :
       {std::pair{9.9, 10.0}, {120.5, 120.0}, {std::nan(""), 10.0}, {64.0, 64.0}})
    EXPECT_EQ(make(stored)->size(), used) << stored;
}

// Home is on the screen of Live's largest window, else on the screen with the keyboard.
TEST_F(BlobTest, LiveScreenIsTheOneUnderLivesLargestWindowElseTheMainOne) {
  desk.screenList.push_back({{1440, 0, 1920, 1080}, {1440, 0, 1920, 1040}});
  EXPECT_EQ(liveScreen(desk), (Rect{0, 0, 1440, 875}));
  desk.apps = {{7, "Ableton Live 12 Suite", ""}};
  desk.shown = {{7, 0, {100, 100, 300, 200}}, {7, 0, {1500, 100, 1200, 800}}, {7, 3, {0, 0, 1440, 900}}};
  EXPECT_EQ(liveScreen(desk), (Rect{1440, 0, 1920, 1040}));
}
