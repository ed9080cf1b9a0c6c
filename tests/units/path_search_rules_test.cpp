// The rules of the route search that its speed must not bend: routes over a
// map with walls are as short as a plain A* finds them, and nearly equal
// totals are expanded in their order of arrival while a total cheaper by the
// slack goes first.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/game_data.h"
#include "support/reference_route.h"
#include "support/route_pairs.h"
#include "support/temp_folder.h"
#include "units/path_search.h"

namespace {

// What the measure charges for the route: each step and the penalty of each
// point stepped onto.
float CostOf(const TRoute& route, TPathMeasure& measure) {
  float cost = 0.0f;
  for (std::size_t i = 1; i < route.PointCount(); ++i) {
    TPathNode node;
    node.position = *route.PointAt(i - 1);
    cost += measure.Distance(node, *route.PointAt(i)) + measure.PointPenalty(*route.PointAt(i));
  }
  return cost;
}

class PathSearchOptimalityTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::copy(DVX_DATA_DIR, folder_.Path(), std::filesystem::copy_options::recursive);
    DestroyGameDataConfig();
    routes_ = std::make_unique<route_pairs::TRouteWorld>();
  }
  void TearDown() override {
    routes_.reset();
    DestroyGameDataConfig();
  }

  TTempFolder folder_;
  std::unique_ptr<route_pairs::TRouteWorld> routes_;
};

TEST_F(PathSearchOptimalityTest, RoutesRoundTheWallsAreAsShortAsAPlainAStarFinds) {
  TRoutePointMeasure& measure = *routes_->measure;
  TPathSearch search;
  int32_t compared = 0;
  int32_t detours = 0;
  for (const auto& [from, to] : route_pairs::Pairs(routes_->world.GetMap().GetWidth())) {
    // Pairs the expansion cap leaves alone: the reference answers within a
    // tenth of it.
    measure.CollectBlockers(from);
    const reference_route::TResult best = reference_route::Search(from, to, measure, TPathSearch::kMaxExpansions / 10);
    if (!best.reached) continue;
    search.Run(from, to, measure);
    ASSERT_NE(search.LastPoint(), nullptr);
    SCOPED_TRACE(testing::Message() << "from " << from.x << "," << from.y << " to " << to.x << "," << to.y);
    EXPECT_TRUE(search.LastPoint()->IsWithin(to, 1e-4f));
    EXPECT_NEAR(CostOf(search, measure), best.cost, 0.01f);
    ++compared;
    if (best.cost > from.OctileDistance(to) + 0.5f) ++detours;
  }
  // Enough routes, and enough of them bent by walls, to mean something.
  EXPECT_GE(compared, 40);
  EXPECT_GE(detours, 5);
}

// A measure over named places that records the order of expansion; the goal
// is out of reach, so every place is expanded.
class TRecordingMeasure : public TPathMeasure {
 public:
  struct TPlace {
    TVector3 at;
    float fromStart;
    float toGoal;
  };
  explicit TRecordingMeasure(std::vector<TPlace> places) : places_(std::move(places)) {}

  bool IsStepAllowed(const TVector3&, const TVector3&, const TVector3&) override { return true; }
  float Distance(const TPathNode& node, const TVector3& point) override {
    const TPlace* here = Find(node.position);
    const TPlace* there = Find(point);
    if (here != nullptr && point.IsWithin(kStart, 1e-4f)) return here->fromStart;
    if (there != nullptr) return there->fromStart;
    return here != nullptr ? here->toGoal : 0.0f;
  }
  void Neighbours(const TVector3& point, std::vector<TVector3>& out) override {
    expanded.push_back(point);
    if (!point.IsWithin(kStart, 1e-4f)) return;
    for (const TPlace& place : places_) out.push_back(place.at);
  }
  float PointPenalty(const TVector3&) override { return 0.0f; }

  static inline const TVector3 kStart{0.0f, 0.0f, 0.0f};
  std::vector<TVector3> expanded;

 private:
  const TPlace* Find(const TVector3& point) const {
    for (const TPlace& place : places_) {
      if (place.at.IsWithin(point, 1e-4f)) return &place;
    }
    return nullptr;
  }
  std::vector<TPlace> places_;
};

TEST(PathSearchOrderTest, NearlyEqualTotalsKeepTheirArrivalAndACheaperOneByTheSlackGoesFirst) {
  // Totals: a 2.0, b 1.9995 (within the slack of a: after it), c 2.0 (equal:
  // after both), d 1.5 (cheaper by more than the slack: before all).
  const TVector3 a(1, 0, 0), b(2, 0, 0), c(3, 0, 0), d(4, 0, 0);
  TRecordingMeasure measure({{a, 1.0f, 1.0f}, {b, 0.9995f, 1.0f}, {c, 1.0f, 1.0f}, {d, 0.5f, 1.0f}});
  TPathSearch search;
  search.Run(TRecordingMeasure::kStart, TVector3(50, 50, 0), measure);
  EXPECT_EQ(measure.expanded, (std::vector<TVector3>{TRecordingMeasure::kStart, d, a, b, c}));
}

}  // namespace
