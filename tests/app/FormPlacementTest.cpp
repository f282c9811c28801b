// Where windows may stand: screen clamping, the nearest of several screens, the floating frames'
// anchoring, the dock rule and the order in which start-up docks the panels.

#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <ostream>
#include <string>
#include <vector>

#include "app/DockUtils.h"
#include "app/FormPlacement.h"

namespace vrel {

void PrintTo(const TPlacementRect& r, std::ostream* out) {
  *out << "(" << r.Left << ", " << r.Top << ", " << r.Width << " x " << r.Height << ")";
}

namespace {

std::string Text(const TPlacementRect& r) {
  return ::testing::PrintToString(r);
}

constexpr TPlacementRect kScreen{0, 0, 1920, 1080};

TEST(ClampToScreen, KeepsAWindowThatFitsAndPullsOneOutsideBackOntoTheScreen) {
  const struct {
    TPlacementRect in, out;
  } cases[] = {
      {{100, 50, 800, 600}, {100, 50, 800, 600}},
      {{1500, 900, 800, 600}, {1120, 480, 800, 600}},
      {{-300, -20, 800, 600}, {0, 0, 800, 600}},
      {{5000, -300, 4000, 300}, {0, 0, 1920, 300}},
      {{INT_MAX, INT_MIN, INT_MAX, INT_MAX}, {0, 0, 1920, 1080}},
      {{10, 10, -50, -50}, {10, 10, 0, 0}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ClampToScreen(c.in, kScreen), c.out) << Text(c.in);
}

TEST(ClampToScreen, WorksOnAScreenThatDoesNotStartAtTheOrigin) {
  const TPlacementRect second{1920, 100, 1280, 1024};
  EXPECT_EQ(ClampToScreen({1000, 0, 500, 400}, second), (TPlacementRect{1920, 100, 500, 400}));
  EXPECT_EQ(ClampToScreen({3000, 1000, 500, 400}, second), (TPlacementRect{2700, 724, 500, 400}));
}

TEST(NearestScreen, IsTheOneOverlappedMostOrElseTheClosest) {
  const std::array<TPlacementRect, 2> screens{{kScreen, {1920, 0, 1280, 1024}}};
  EXPECT_EQ(NearestScreen({1800, 100, 400, 300}, screens), 1);  // 280 of 400 columns on the second
  EXPECT_EQ(NearestScreen({1700, 100, 400, 300}, screens), 0);
  EXPECT_EQ(NearestScreen({4000, 200, 400, 300}, screens), 1);   // right of both
  EXPECT_EQ(NearestScreen({-900, 2000, 400, 300}, screens), 0);  // below and left of the first
  EXPECT_EQ(NearestScreen({0, 0, 10, 10}, std::span<const TPlacementRect>()), -1);
}

TEST(ClampToNearestScreen, RaisesToTheMinimumSizeThenClampsOntoTheNearestScreen) {
  const std::array<TPlacementRect, 2> screens{{kScreen, {1920, 0, 1280, 1024}}};
  EXPECT_EQ(ClampToNearestScreen({0, 0, 500, 480}, screens, 600, 400), (TPlacementRect{0, 0, 600, 480}));
  EXPECT_EQ(ClampToNearestScreen({5000, 3000, 700, 500}, screens, 600, 400), (TPlacementRect{2500, 524, 700, 500}));
  EXPECT_EQ(ClampToNearestScreen({100, 100, 9000, 9000}, screens, 600, 400), (TPlacementRect{0, 0, 1920, 1080}));
}

TEST(FloatAnchor, TheLeftHalfKeepsItsLeftEdgeAndTheRightHalfItsDistanceFromTheRightEdge) {
  EXPECT_EQ(FloatAnchorAt(100, 160, 800), (TFloatAnchor{540, true}));
  EXPECT_EQ(FloatAnchorAt(399, 160, 800), (TFloatAnchor{241, true}));
  EXPECT_EQ(FloatAnchorAt(400, 160, 800), (TFloatAnchor{240, false}));
  const TFloatAnchor right = FloatAnchorAt(600, 160, 800);
  EXPECT_EQ(RightAnchoredLeft(1000, 160, right.RightOffset), 800);  // widened by 200: moves along
}

TEST(DockAlignForDrop, AloneAtTheTopOtherwiseByTheHalfOfTheSite) {
  EXPECT_EQ(DockAlignForDrop(500, 600, false), 1);
  EXPECT_EQ(DockAlignForDrop(299, 600, true), 1);
  EXPECT_EQ(DockAlignForDrop(300, 600, true), 2);
  EXPECT_EQ(DockAlignForDrop(301, 601, true), 2);
}

TEST(DockFormList, OrdersByTopAndKeepsTheOrderOfEqualTops) {
  TOrderedByTop<const std::string> list;
  const std::string tool = "ToolForm", layer = "LayerForm", param = "ParamForm", memo = "other";
  list.AddByTop(&tool, 300);
  list.AddByTop(&layer, 0);
  list.AddByTop(&param, 300);
  list.AddByTop(&memo, 120);
  std::vector<std::string> order;
  for (int i = 0; i < list.Count(); ++i)
    order.push_back(*list.Forms(i));
  EXPECT_EQ(order, (std::vector<std::string>{"LayerForm", "other", "ToolForm", "ParamForm"}));
}

}  // namespace
}  // namespace vrel
