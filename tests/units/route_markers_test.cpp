// The markers that draw a found route: one "Interface" visual of the route's
// marker key per segment, laid along the segment above the floor, shown and
// hidden from the walker's place on, and gone with the route.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "display/visuals/world_bar.h"
#include "support/counting_world_bar.h"
#include "support/map_view_library.h"
#include "units/path_search.h"

namespace {

const char* const kInterfaceDefinitions =
    "# interface of the tests\n"
    "[BasicMovement]\n  DirectDrawWorldBar | 0,0 | 1,0 | 1 | 1,1,1,1\n";

// Every point leads on to the waypoints given, in order.
class TWaypointMeasure : public TPathMeasure {
 public:
  explicit TWaypointMeasure(std::vector<TVector3> waypoints) : waypoints_(std::move(waypoints)) {}
  bool IsStepAllowed(const TVector3&, const TVector3&, const TVector3&) override { return true; }
  float Distance(const TPathNode& node, const TVector3& to) override { return node.position.DistanceTo(to); }
  float PointPenalty(const TVector3&) override { return 0.0f; }
  void Neighbours(const TVector3& point, std::vector<TVector3>& out) override {
    for (std::size_t i = 0; i + 1 < waypoints_.size(); ++i) {
      if (point.DistanceTo(waypoints_[i]) < 0.001f) out.push_back(waypoints_[i + 1]);
    }
  }

 private:
  std::vector<TVector3> waypoints_;
};

class RouteMarkersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    view_.Library().SetDefinitionText("Interface", kInterfaceDefinitions);
    draws_ = testing_display::CountWorldBarDraws(view_.Library());
  }

  void Walk(TRoute& route) { route.Run(points_.front(), points_.back(), measure_); }

  testing_display::MapViewWithLibrary view_;
  std::shared_ptr<int> draws_;
  std::vector<TVector3> points_{TVector3(1.0f, 1.0f, 0.0f), TVector3(2.0f, 1.0f, 0.0f), TVector3(2.0f, 3.0f, 0.0f),
                                TVector3(4.0f, 3.0f, 0.0f)};
  TWaypointMeasure measure_{points_};
};

TEST_F(RouteMarkersTest, EachSegmentGetsAMarkerAlongIt) {
  TPathSearch route("BasicMovement");
  Walk(route);
  ASSERT_EQ(route.PointCount(), 4U);
  ASSERT_EQ(route.MarkerCount(), 3U);
  for (std::size_t i = 0; i < route.MarkerCount(); ++i) {
    const auto& bar = dynamic_cast<const TWorldBar&>(*route.MarkerAt(i));
    EXPECT_EQ(bar.GetPosition(), TVector3(points_[i].x, points_[i].y, 0.75f)) << i;
    EXPECT_EQ(bar.GetEndCorner(), Difference(points_[i + 1], points_[i])) << i;
  }
  EXPECT_EQ(route.MarkerAt(3), nullptr);
  route.DrawMarkers();
  EXPECT_EQ(*draws_, 3);
  // The markers belong to the route, not to the map view's layers.
  EXPECT_EQ(view_.Layer().EntryCount(), 0U);
}

TEST_F(RouteMarkersTest, MarkersFromTheWalkersPlaceOnAreShownOrHidden) {
  TPathSearch route("BasicMovement");
  Walk(route);
  route.Advance();
  route.ShowMarkers(false);
  EXPECT_FALSE(route.MarkerAt(0)->IsHidden());
  EXPECT_TRUE(route.MarkerAt(1)->IsHidden());
  EXPECT_TRUE(route.MarkerAt(2)->IsHidden());
  route.DrawMarkers();
  EXPECT_EQ(*draws_, 1);
  route.Restart();
  EXPECT_FALSE(route.MarkerAt(2)->IsHidden());
  // A route searched again while hidden comes with hidden markers.
  route.ShowMarkers(false);
  Walk(route);
  ASSERT_EQ(route.MarkerCount(), 3U);
  EXPECT_TRUE(route.MarkerAt(0)->IsHidden());
}

TEST_F(RouteMarkersTest, NoMarkersWithoutAKeyAMapViewOrAfterClearing) {
  TPathSearch unmarked("");
  Walk(unmarked);
  EXPECT_EQ(unmarked.PointCount(), 4U);
  EXPECT_EQ(unmarked.MarkerCount(), 0U);

  TPathSearch route("BasicMovement");
  Walk(route);
  route.Clear();
  EXPECT_EQ(route.MarkerCount(), 0U);

  view_.EndLoan();
  Walk(route);
  EXPECT_EQ(route.PointCount(), 4U);
  EXPECT_EQ(route.MarkerCount(), 0U);
}

}  // namespace
