// The blob's arithmetic: its layout, stored place, home, hit areas, drag and grip. Damaged measures only
// need to leave no crash, which the fuzz targets cover.
#include "mackie/core/blob_geometry.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

namespace G = MKBlobGeometry;
using geometry::Point;
using geometry::Rect;

TEST(BlobFit, SizesTheBoxToTheLabelRoundingUpAndKeepingTheTopEdge) {
  const auto small = G::fit({50.2, 12.3}, {100, 500, 0, 0});
  EXPECT_EQ(small.frame, (Rect{100, 460, 220, 40}));
  EXPECT_EQ(small.label, (Rect{11, 13.5, 198, 13}));
  EXPECT_EQ(small.close, (Rect{198, 18, 18, 18}));
  EXPECT_EQ(small.grip, (Rect{202, 3, 14, 16}));
  const auto large = G::fit({300.2, 30.1}, {100, 460, 220, 40});
  EXPECT_EQ(large.frame, (Rect{100, 449, 345, 51}));
  EXPECT_EQ(large.label, (Rect{11, 10, 323, 31}));
  // A frame of the right size stays where it is.
  EXPECT_EQ(G::fit({10, 10}, {-7.5, 3.25, 220, 40}).frame, (Rect{-7.5, 3.25, 220, 40}));
}

TEST(BlobPlace, RoundTripsThroughTopLeftCoordinatesAndADamagedPlaceIsNone) {
  const Rect frame{2000, 760, 220, 40};  // on a second screen to the right of a 900-high primary
  EXPECT_EQ(G::toLua(frame, 900), std::make_pair(2000.0, 100.0));
  EXPECT_EQ(G::fromLua(2000, 100, {220, 40}, 900), frame);
  EXPECT_EQ(G::fromLua(10, 20, {220, 40}, std::nullopt), std::nullopt);
  EXPECT_EQ(G::fromLua(NAN, 20, {220, 40}, 900), std::nullopt);
}

TEST(BlobHome, IsCentredTwentyEightPointsBelowTheTopOfTheScreen) {
  EXPECT_EQ(G::homeOrigin({1440, -180, 1920, 1080}, {220, 40}), (Point{2290, 832}));
}

TEST(BlobHits, FindTheCrossAtTheBottomRightAndTheGripAtTheTopRight) {
  struct Case {
    Point p;
    bool close, grip;
  };
  for (const auto& c :
       {Case{{200, 30}, true, false}, Case{{194, 30}, false, false}, Case{{200, 16}, false, true},
        Case{{198, 5}, false, false}, Case{{210, 22}, true, false}, Case{{20, 5}, false, false}}) {
    EXPECT_EQ(G::onClose(c.p, {220, 40}), c.close) << c.p.x << "," << c.p.y;
    EXPECT_EQ(G::onGrip(c.p, {220, 40}), c.grip) << c.p.x << "," << c.p.y;
  }
}

TEST(BlobDragAndGrip, MoveByTheMouseTravelAndSizeFromTheHeightBelowTheTopEdge) {
  EXPECT_EQ(G::dragged({100, 460, 220, 40}, {300, 480}, {350, 400}), (Point{150, 380}));
  const Rect start{100, 460, 220, 40};  // top edge at 500
  for (const auto& [mouseY, size] :
       std::initializer_list<std::pair<double, double>>{{500, 10}, {460, 14}, {400, 59}, {-1000, 120}})
    EXPECT_EQ(G::resized(start, {0, mouseY}), size) << mouseY;
}

}  // namespace
