// The blob's arithmetic: its layout, stored place, home, hit areas, drag and grip, with damaged inputs too.
#include "mackie/core/blob_geometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

namespace G = MKBlobGeometry;
using geometry::Point;
using geometry::Rect;

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr double INF = std::numeric_limits<double>::infinity();

TEST(BlobFit, SizesTheBoxToTheLabelRoundingUpAndKeepingTheTopEdge) {
  const auto small = G::fit({50.2, 12.3}, {100, 500, 0, 0});
  EXPECT_EQ(small.frame, (Rect{100, 460, 220, 40}));
  EXPECT_EQ(small.label, (Rect{11, 13.5, 198, 13}));
  EXPECT_EQ(small.close, (Rect{198, 18, 18, 18}));
  EXPECT_EQ(small.grip, (Rect{202, 3, 14, 16}));
  const auto large = G::fit({300.2, 30.1}, {100, 460, 220, 40});
  EXPECT_EQ(large.frame, (Rect{100, 449, 345, 51}));
  EXPECT_EQ(large.label, (Rect{11, 10, 323, 31}));
  EXPECT_EQ(large.close, (Rect{323, 29, 18, 18}));
  // A frame of the right size stays where it is.
  EXPECT_EQ(G::fit({10, 10}, {-7.5, 3.25, 220, 40}).frame, (Rect{-7.5, 3.25, 220, 40}));
  for (double v : {NaN, INF, -INF, -5.0}) {  // a meaningless measure is an empty label
    const auto l = G::fit({v, v}, {NaN, NaN, NaN, 20});
    EXPECT_EQ(l.frame, (Rect{0, -20, 220, 40})) << v;
    EXPECT_EQ(l.label.height, 0) << v;
  }
}

TEST(BlobPlace, RoundTripsThroughTopLeftCoordinatesAndRefusesADamagedPlace) {
  const Rect frame{2000, 760, 220, 40};  // on a second screen to the right of a 900-high primary
  EXPECT_EQ(G::toLua(frame, 900), std::make_pair(2000.0, 100.0));
  EXPECT_EQ(G::fromLua(2000, 100, {220, 40}, 900), frame);
  EXPECT_EQ(G::fromLua(10, 20, {220, 40}, std::nullopt), std::nullopt);
  EXPECT_EQ(G::fromLua(NaN, 20, {220, 40}, 900), std::nullopt);
  EXPECT_EQ(G::fromLua(10, INF, {220, 40}, 900), std::nullopt);
  EXPECT_EQ(G::toLua({10, 20, 220, 40}, 0), std::make_pair(10.0, -60.0));
  EXPECT_EQ(G::toLua({NaN, NaN, 220, 40}, NaN), std::make_pair(0.0, -40.0));
}

TEST(BlobHome, IsCentredTwentyEightPointsBelowTheTopOfTheScreen) {
  EXPECT_EQ(G::homeOrigin({1440, -180, 1920, 1080}, {220, 40}), (Point{2290, 832}));
  EXPECT_EQ(G::homeOrigin({NaN, 0, 1440, INF}, {220, NaN}), (Point{610, -28}));
}

TEST(BlobHits, FindTheCrossAtTheTopRightAndTheGripAtTheBottomRight) {
  struct Case {
    Point p;
    bool close, grip;
  };
  for (const auto& c :
       {Case{{200, 30}, true, false}, Case{{194, 30}, false, false}, Case{{200, 16}, false, true},
        Case{{210, 5}, false, true}, Case{{198, 5}, false, false}, Case{{210, 22}, true, false},
        Case{{20, 5}, false, false}, Case{{NaN, NaN}, false, false}}) {
    EXPECT_EQ(G::onClose(c.p, {220, 40}), c.close) << c.p.x << "," << c.p.y;
    EXPECT_EQ(G::onGrip(c.p, {220, 40}), c.grip) << c.p.x << "," << c.p.y;
  }
}

TEST(BlobDrag, MovesByTheMouseTravelAndIgnoresAnUnknownAxis) {
  EXPECT_EQ(G::dragged({100, 460, 220, 40}, {300, 480}, {350, 400}), (Point{150, 380}));
  EXPECT_EQ(G::dragged({100, 460, 220, 40}, {300, 480}, {NaN, 400}), (Point{100, 380}));
  EXPECT_EQ(G::dragged({100, 460, 220, 40}, {300, INF}, {350, INF}), (Point{150, 460}));
  EXPECT_EQ(G::dragged({NaN, NaN, 220, 40}, {300, 480}, {350, 400}),
            (Point{50, -80}));  // a frame not known yet
}

TEST(BlobGrip, SetsTheSizeFromTheHeightBelowTheTopEdge) {
  const Rect start{100, 460, 220, 40};  // top edge at 500
  for (const auto& [mouseY, size] : std::initializer_list<std::pair<double, double>>{
           {500, 10}, {900, 10}, {460, 14}, {400, 59}, {-1000, 120}, {NaN, 10}, {INF, 10}, {-INF, 120}})
    EXPECT_EQ(G::resized(start, {0, mouseY}), size) << mouseY;
  EXPECT_EQ(G::resized({0, NaN, 0, 0}, {0, 0}), 10);
}

}  // namespace
