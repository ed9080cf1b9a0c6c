// When a walking order gives up its route after a detour: a route that
// misses its goal is outdated once the walker's next point is near the goal,
// or when it ends beyond the arrival distance.
#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "units/movement_order.h"
#include "units/path_search.h"

namespace {

class TGivenRoute : public TRoute {
 public:
  TGivenRoute(const std::vector<TVector3>& points, uint32_t cursor) : TRoute(std::string()) {
    for (const TVector3& point : points) MutablePoints().push_back(point);
    for (uint32_t i = 0; i < cursor; ++i) Advance();
  }
  void Run(const TVector3&, const TVector3&, TPathMeasure&) override {}
};

struct OutdatedCase {
  const char* name;
  std::vector<TVector3> points;
  uint32_t cursor;
  bool outdated;
};

class RouteOutdatedTest : public ::testing::TestWithParam<OutdatedCase> {};

const TVector3 kGoal(10.0f, 10.0f, 0.0f);

TEST_P(RouteOutdatedTest, FollowsTheGoalTheNextPointAndTheEnd) {
  const OutdatedCase& c = GetParam();
  const TGivenRoute route(c.points, c.cursor);
  EXPECT_EQ(TRouteOrder::IsRouteOutdated(route, kGoal, TRouteOrder::kBaseArrivalDistance), c.outdated);
}

INSTANTIATE_TEST_SUITE_P(
    Routes, RouteOutdatedTest,
    ::testing::Values(
        OutdatedCase{"Empty", {}, 0, true},
        OutdatedCase{"CursorPastTheEnd", {TVector3(5, 5, 0), TVector3(10, 10, 0)}, 2, true},
        OutdatedCase{"EndsOnTheGoal", {TVector3(9.5f, 9.5f, 0), TVector3(10, 10, 0)}, 0, false},
        // Misses by 0.9, within the arrival distance: usable while the next
        // point is still away from the goal...
        OutdatedCase{"MissesByLessThanArrivalNextPointAway", {TVector3(5, 5, 0), TVector3(10.9f, 10, 0)}, 0, false},
        // ...but not once the next point lies within the near distance.
        OutdatedCase{"MissesByLessThanArrivalNextPointNear", {TVector3(10.7f, 10, 0), TVector3(10.9f, 10, 0)}, 0,
                     true},
        OutdatedCase{"NextPointJustBeyondNear", {TVector3(10.71f, 10, 0), TVector3(10.9f, 10, 0)}, 0, false},
        OutdatedCase{"EndsBeyondTheArrivalDistance", {TVector3(5, 5, 0), TVector3(11.0f, 10, 0)}, 0, true}),
    [](const ::testing::TestParamInfo<OutdatedCase>& info) { return std::string(info.param.name); });

TEST(RouteOutdatedNoGoalTest, ARouteWithoutADestinationIsOutdated) {
  const TGivenRoute route({TVector3(1, 1, 0)}, 0);
  EXPECT_TRUE(TRouteOrder::IsRouteOutdated(route, std::nullopt, TRouteOrder::kBaseArrivalDistance));
}

}  // namespace
