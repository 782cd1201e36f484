// The command blob on a virtual loop and a fake desktop: where it is placed. Showing for a while, dragging
// and the grip are checked where the engine uses and saves them (EngineTest) and on the real panel
// (BlobPanel); their arithmetic is the geometry's own (BlobGeometry).
#include "mackie/engine/blob.h"

#include <gtest/gtest.h>

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
