// The blob's arithmetic: its layout, stored place, home, hit areas, drag and grip. Damaged measures only
// need to leave no crash, which the fuzz targets cover.
#include "mackie/core/blob_geometry.h"

#include <gtest/gtest.h>

#include <cmath>

namespace G = MKBlobGeometry;
using geometry::Point;
using geometry::Rect;

TEST(BlobGeometry, FitRoundsUpToTheLabelKeepingTheTopEdgeAndHomeIsCentredBelowTheTopOfTheScreen) {
  const auto s = G::fit({50.2, 12.3}, {100, 500, 0, 0});
  EXPECT_EQ(
      (std::vector{s.frame, s.label, s.close, s.grip}),
      (std::vector<Rect>{{100, 460, 220, 40}, {11, 13.5, 198, 13}, {198, 18, 18, 18}, {202, 3, 14, 16}}));
  const auto large = G::fit({300.2, 30.1}, {100, 460, 220, 40});
  EXPECT_EQ((std::vector{large.frame, large.label}),
            (std::vector<Rect>{{100, 449, 345, 51}, {11, 10, 323, 31}}));
  EXPECT_EQ(G::fit({10, 10}, {-7.5, 3.25, 220, 40}).frame, (Rect{-7.5, 3.25, 220, 40}));  // right size: stays
  EXPECT_EQ(G::homeOrigin({1440, -180, 1920, 1080}, {220, 40}), (Point{2290, 832}));      // 28 points down
}

TEST(BlobGeometry, PlaceRoundTripsThroughTopLeftCoordinatesAndADamagedPlaceIsNone) {
  const Rect frame{2000, 760, 220, 40};  // on a second screen to the right of a 900-high primary
  EXPECT_EQ(G::toLua(frame, 900), std::make_pair(2000.0, 100.0));
  EXPECT_EQ(G::fromLua(2000, 100, {220, 40}, 900), frame);
  EXPECT_EQ(G::fromLua(10, 20, {220, 40}, std::nullopt), std::nullopt);
  EXPECT_EQ(G::fromLua(NAN, 20, {220, 40}, 900), std::nullopt);
}

TEST(BlobGeometry, CrossAtTheBottomRightGripAtTheTopRightDragByTheMouseTravelSizeFromBelowTheTopEdge) {
  // clang-format off
  for (const auto& [x, y, close, grip] : std::vector<std::tuple<double, double, bool, bool>>{
           {200, 30, true, false}, {194, 30, false, false}, {200, 16, false, true}, {198, 5, false, false},
           {210, 22, true, false}, {20, 5, false, false}}) {
    // clang-format on
    EXPECT_EQ(std::tuple(G::onClose({x, y}, {220, 40}), G::onGrip({x, y}, {220, 40})),
              std::tuple(close, grip))
        << x << "," << y;
  }
  EXPECT_EQ(G::dragged({100, 460, 220, 40}, {300, 480}, {350, 400}), (Point{150, 380}));
  for (const auto& [mouseY, size] :
       std::vector<std::pair<double, double>>{{500, 10}, {460, 14}, {400, 59}, {-1000, 120}})
    EXPECT_EQ(G::resized({100, 460, 220, 40}, {0, mouseY}), size) << mouseY;  // top edge at 500
}
