// The route search: the best-first search over scripted measures (order,
// ties, limits, re-opened nodes), the route's own queries, the map lattice
// measure over a shipped world (walls, closed rooms, goo, obstacles, jumps
// between Regenerators) and the node-graph measure over a small graph.
#include "units/path_search.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "ai/node_graph.h"
#include "sim/goo.h"
#include "support/shipped_world.h"
#include "units/combatant.h"
#include "world/ammo_dump.h"
#include "world/map.h"
#include "world/terrain_object.h"
#include "world/world.h"

namespace {

// A measure over a few named places: the edges and their costs are given
// (the same both ways), distances without an edge are 0, penalties per place.
class TScriptedMeasure : public TPathMeasure {
 public:
  void Edge(const TVector3& a, const TVector3& b, float cost) {
    edges_.push_back({a, b, cost});
  }
  void Penalty(const TVector3& at, float value) { penalties_.push_back({at, value}); }

  bool IsStepAllowed(const TVector3&, const TVector3&, const TVector3&) override { return true; }
  float Distance(const TPathNode& node, const TVector3& point) override {
    for (const TEdge& edge : edges_) {
      if ((Same(edge.a, node.position) && Same(edge.b, point)) || (Same(edge.b, node.position) && Same(edge.a, point))) {
        return edge.cost;
      }
    }
    return 0.0f;
  }
  void Neighbours(const TVector3& point, std::vector<TVector3>& out) override {
    ++expansions;
    for (const TEdge& edge : edges_) {
      if (Same(edge.a, point)) out.push_back(edge.b);
    }
  }
  float PointPenalty(const TVector3& point) override {
    for (const auto& [at, value] : penalties_) {
      if (Same(at, point)) return value;
    }
    return 0.0f;
  }

  int expansions = 0;

 private:
  struct TEdge {
    TVector3 a;
    TVector3 b;
    float cost;
  };
  static bool Same(const TVector3& a, const TVector3& b) { return a.IsWithin(b, 0.0001f); }
  std::vector<TEdge> edges_;
  std::vector<std::pair<TVector3, float>> penalties_;
};

// An endless line in +x in unit steps, each step costing its straight length;
// the distance to any point is the straight one.
class TLineMeasure : public TPathMeasure {
 public:
  bool IsStepAllowed(const TVector3&, const TVector3&, const TVector3&) override { return allowed; }
  float Distance(const TPathNode& node, const TVector3& point) override { return node.position.DistanceTo(point); }
  void Neighbours(const TVector3& point, std::vector<TVector3>& out) override {
    ++expansions;
    out.emplace_back(point.x + 1.0f, point.y, point.z);
  }
  float PointPenalty(const TVector3&) override { return 0.0f; }

  bool allowed = true;
  int expansions = 0;
};

// A route whose points are set by the test.
class TFixedRoute : public TRoute {
 public:
  explicit TFixedRoute(std::vector<TVector3> points) : TRoute("WayPoint") {
    for (const TVector3& point : points) MutablePoints().push_back(point);
  }
  void Run(const TVector3&, const TVector3&, TPathMeasure&) override {}
};

std::vector<TVector3> PointsOf(const TRoute& route) { return {route.Points().begin(), route.Points().end()}; }

// --- the search over scripted measures ----------------------------------------------

TEST(PathSearchTest, AGoalNearTheStartGivesOnePointAtTheGoal) {
  TLineMeasure measure;
  TPathSearch search;
  search.Run(TVector3(0, 0, 0), TVector3(0.2f, 0.1f, 0.0f), measure);
  ASSERT_EQ(search.PointCount(), 1u);
  EXPECT_EQ(*search.PointAt(0), TVector3(0.2f, 0.1f, 0.0f));
  EXPECT_EQ(measure.expansions, 0);
}

TEST(PathSearchTest, AStartWithoutAllowedNeighboursGivesTheStartAlone) {
  TLineMeasure measure;
  measure.allowed = false;
  TPathSearch search;
  search.Run(TVector3(1, 2, 0), TVector3(5, 2, 0), measure);
  EXPECT_EQ(PointsOf(search), std::vector<TVector3>{TVector3(1, 2, 0)});
}

TEST(PathSearchTest, ALineIsWalkedStepByStepToItsGoal) {
  TLineMeasure measure;
  TPathSearch search;
  search.Run(TVector3(0, 0, 0), TVector3(4, 0, 0), measure);
  ASSERT_EQ(search.PointCount(), 5u);
  for (std::size_t i = 0; i < 5; ++i) EXPECT_EQ(*search.PointAt(i), TVector3(static_cast<float>(i), 0, 0));
  EXPECT_FLOAT_EQ(search.Length(), 4.0f);
}

TEST(PathSearchTest, ExpansionsStopAfterOneThousandAndOne) {
  TLineMeasure measure;
  TPathSearch search;
  search.Run(TVector3(0, 0, 0), TVector3(1.0e6f, 0, 0), measure);
  EXPECT_EQ(measure.expansions, TPathSearch::kMaxExpansions);
  // The open node found last is nearest the missed goal.
  ASSERT_NE(search.LastPoint(), nullptr);
  EXPECT_EQ(*search.LastPoint(), TVector3(1001, 0, 0));
  EXPECT_EQ(search.PointCount(), 1002u);
}

TEST(PathSearchTest, TheCostLimitBoundsTheRoute) {
  struct TCase {
    float limit;
    float lastX;
  };
  // 0 is no limit; a negative limit refuses every step.
  for (const TCase& c : {TCase{0.0f, 10.0f}, TCase{0.00005f, 10.0f}, TCase{3.5f, 3.0f}, TCase{-1.0f, 0.0f}}) {
    TLineMeasure measure;
    TPathSearch search;
    search.SetCostLimit(c.limit);
    search.Run(TVector3(0, 0, 0), TVector3(10, 0, 0), measure);
    ASSERT_NE(search.LastPoint(), nullptr);
    EXPECT_EQ(search.LastPoint()->x, c.lastX) << c.limit;
  }
}

TEST(PathSearchTest, TheSearchBoxKeepsCandidatesInside) {
  TLineMeasure measure;
  TPathSearch search;
  search.SetSearchBox(TVector3(0, 0, 0), TVector3(4, 0, 0), 0.5f);
  search.Run(TVector3(0, 0, 0), TVector3(10, 0, 0), measure);
  EXPECT_EQ(search.LastPoint()->x, 4.0f);

  // The box persists until cleared.
  search.Run(TVector3(0, 0, 0), TVector3(10, 0, 0), measure);
  EXPECT_EQ(search.LastPoint()->x, 4.0f);
  search.ClearSearchBox();
  search.Run(TVector3(0, 0, 0), TVector3(10, 0, 0), measure);
  EXPECT_EQ(search.LastPoint()->x, 10.0f);
}

TEST(PathSearchTest, AMissedGoalEndsAtTheNearestNodeTotalThenOrderBreakingTies) {
  // A and B lie 10 from the unreachable goal; B is found through A, later.
  const TVector3 s(0, 0, 0);
  const TVector3 a(6, 8, 0);
  const TVector3 b(6, -8, 0);
  const TVector3 goal(12, 0, 0);
  struct TCase {
    float penaltyOfB;
    TVector3 end;
  };
  // B's total: 10 + 16 + penalty against A's 10.
  for (const TCase& c : {TCase{-17.0f, b}, TCase{-16.0f, a}, TCase{0.0f, a}}) {
    TScriptedMeasure measure;
    measure.Edge(s, a, 10.0f);
    measure.Edge(a, b, 16.0f);
    measure.Penalty(b, c.penaltyOfB);
    // The distances to the goal are equal by construction: straight 10.
    measure.Edge(a, goal, 10.0f);
    measure.Edge(b, goal, 10.0f);
    measure.Edge(s, goal, 12.0f);
    // Walk: only the edges out of s and a are offered as neighbours; the goal
    // edges are there for the distances and are refused as steps.
    struct TRefusingGoal : TPathMeasure {
      TScriptedMeasure& inner;
      TVector3 goal;
      TRefusingGoal(TScriptedMeasure& m, const TVector3& g) : inner(m), goal(g) {}
      bool IsStepAllowed(const TVector3&, const TVector3& to, const TVector3&) override {
        return !to.IsWithin(goal, 0.0001f);
      }
      float Distance(const TPathNode& n, const TVector3& p) override { return inner.Distance(n, p); }
      void Neighbours(const TVector3& p, std::vector<TVector3>& out) override { inner.Neighbours(p, out); }
      float PointPenalty(const TVector3& p) override { return inner.PointPenalty(p); }
    } refusing(measure, goal);
    TPathSearch search;
    search.Run(s, goal, refusing);
    ASSERT_NE(search.LastPoint(), nullptr);
    EXPECT_EQ(*search.LastPoint(), c.end) << c.penaltyOfB;
  }
}

TEST(PathSearchTest, ACheaperWayReopensAClosedNode) {
  const TVector3 s(0, 0, 0);
  const TVector3 a(0, 1, 0);
  const TVector3 c(1, 0, 0);
  const TVector3 d(2, 0, 0);
  TScriptedMeasure measure;
  measure.Edge(s, c, 1.0f);
  measure.Edge(s, a, 2.0f);
  measure.Edge(c, d, 100.0f);
  // c is closed before a finds the cheaper way to it.
  measure.Edge(a, c, -5.0f);
  TPathSearch search;
  search.Run(s, d, measure);
  EXPECT_EQ(PointsOf(search), (std::vector<TVector3>{s, a, c, d}));
}

TEST(PathSearchTest, ARunStartsFromAClearedRoute) {
  TLineMeasure measure;
  TPathSearch search;
  search.Run(TVector3(0, 0, 0), TVector3(3, 0, 0), measure);
  search.Advance();
  search.Advance();
  EXPECT_EQ(search.Cursor(), 2u);
  search.Run(TVector3(0, 0, 0), TVector3(1, 0, 0), measure);
  EXPECT_EQ(search.Cursor(), 0u);
  EXPECT_EQ(search.PointCount(), 2u);
}

// --- the route -------------------------------------------------------------------------

TEST(RouteTest, PointsPastTheEndAndAnEmptyRouteGiveNone) {
  TFixedRoute empty({});
  EXPECT_EQ(empty.LastPoint(), nullptr);
  EXPECT_EQ(empty.PointAt(0), nullptr);
  TFixedRoute route({TVector3(1, 1, 0), TVector3(2, 1, 0)});
  EXPECT_EQ(*route.PointAt(1), TVector3(2, 1, 0));
  EXPECT_EQ(route.PointAt(2), nullptr);
  route.Clear();
  EXPECT_EQ(route.PointCount(), 0u);
  EXPECT_EQ(route.MarkerKey(), "WayPoint");
}

TEST(RouteTest, TravelTimeWalksShortSegmentsAndJumpsLongOnes) {
  struct TCase {
    std::vector<TVector3> points;
    float speed;
    float time;
  };
  const std::vector<TCase> cases = {
      {{TVector3(0, 0, 0), TVector3(0.5f, 0, 0), TVector3(1.0f, 0, 0)}, 0.5f, 2.0f},
      // Exactly 1.1 is a jump.
      {{TVector3(0, 0, 0), TVector3(1.1f, 0, 0)}, 0.5f, 1.0f},
      {{TVector3(0, 0, 0), TVector3(1.0f, 0, 0), TVector3(9.0f, 0, 0)}, 0.25f, 5.0f},
      {{TVector3(0, 0, 0)}, 1.0f, 0.0f},
  };
  for (const TCase& c : cases) {
    EXPECT_FLOAT_EQ(TFixedRoute(c.points).TravelTime(c.speed), c.time) << c.points.size();
  }
  EXPECT_TRUE(std::isinf(TFixedRoute({TVector3(0, 0, 0), TVector3(0.5f, 0, 0)}).TravelTime(0.0f)));
}

TEST(RouteTest, TheSearchBoxAlongTheRouteSpansThePointsLeft) {
  TFixedRoute route({TVector3(0, 0, 0), TVector3(5, 0, 0), TVector3(5, 4, 0)});
  route.Advance();
  route.SetSearchBoxAlongRoute(1.0f);
  EXPECT_TRUE(route.SearchBoxAdmits(TVector3(4, -1, 1)));
  EXPECT_TRUE(route.SearchBoxAdmits(TVector3(6, 5, -1)));
  EXPECT_FALSE(route.SearchBoxAdmits(TVector3(3.9f, 2, 0)));
  EXPECT_FALSE(route.SearchBoxAdmits(TVector3(5, 2, 1.1f)));

  // Two points: widened in x and y only.
  route.SetSearchBox(TVector3(0, 0, 0), TVector3(2, 2, 0), 0.5f);
  EXPECT_TRUE(route.SearchBoxAdmits(TVector3(-0.5f, 2.5f, 0)));
  EXPECT_FALSE(route.SearchBoxAdmits(TVector3(1, 1, 0.5f)));
}

// --- the lattice over a shipped world ------------------------------------------------

class RoutePointMeasureTest : public test_world::ShippedWorldTest {
 protected:
  void Tile(const std::string& typeName, float x, float y) {
    const TTerrainType* type = world_->GetGameData().FindTerrainType(typeName);
    ASSERT_NE(type, nullptr) << typeName;
    Place(std::make_unique<TTerrainObject>(*type, TVector3(x, y, 0.0f), 0.0f));
  }
  void WallLine(float x, float y0, float y1) {
    for (float y = y0; y <= y1; y += 1.0f) Tile("Wall", x, y);
  }
  Combatant* Unit(const std::string& type, float x, float y, int32_t owner = 0) {
    return test_world::PlaceUnit(*world_, type, owner, TVector3(x, y, 0));
  }
  AmmoDump* Regenerator(float x, float y, int32_t owner) {
    const TUnitType* type = world_->GetGameData().FindUnitType("Regenerator");
    EXPECT_NE(type, nullptr);
    return static_cast<AmmoDump*>(Place(std::make_unique<AmmoDump>(TVector3(x, y, 0), *type, owner)));
  }
  std::unique_ptr<TRoutePointMeasure> MeasureFor(Combatant& unit, uint8_t goo = 0, uint8_t regenerators = 0) {
    return std::make_unique<TRoutePointMeasure>(*world_, &unit.GetLofVolume(), goo, regenerators, unit.GetOwner(),
                                                std::to_string(unit.GetOwner()));
  }
  // No route segment passes x = wallX at a height below the wall's end.
  static bool CrossesBelow(const TRoute& route, float wallX, float yEnd) {
    for (std::size_t i = 1; i < route.PointCount(); ++i) {
      const TVector3& p = *route.PointAt(i - 1);
      const TVector3& q = *route.PointAt(i);
      if ((p.x - wallX) * (q.x - wallX) <= 0.0f && std::min(p.y, q.y) < yEnd) return true;
    }
    return false;
  }
};

TEST_F(RoutePointMeasureTest, NeighboursAreTheLatticePointsAroundTheSnappedPoint) {
  TRoutePointMeasure measure(*world_, nullptr, 0, 0, -1, "any");
  std::vector<TVector3> out;
  measure.Neighbours(TVector3(2.2f, 3.3f, 0), out);
  // (2.2, 3.3) snaps to (2.0, 3.5); offsets -0.5, 0, +0.5, x outer. The
  // snapped point is not the asking point, so all nine are candidates.
  ASSERT_EQ(out.size(), 9u);
  EXPECT_EQ(out[0], TVector3(1.5f, 3.0f, 0));
  EXPECT_EQ(out[1], TVector3(1.5f, 3.5f, 0));
  EXPECT_EQ(out[4], TVector3(2.0f, 3.5f, 0));
  EXPECT_EQ(out[8], TVector3(2.5f, 4.0f, 0));

  out.clear();
  measure.Neighbours(TVector3(2.0f, 3.0f, 0), out);
  EXPECT_EQ(out.size(), 8u);
  EXPECT_EQ(TRoutePointMeasure::SnapToLattice(TVector3(-0.25f, 0.25f, 1.76f)), TVector3(-0.5f, 0.5f, 2.0f));
}

// The snap rounds the doubled coordinate as the library's floor and ceiling
// would (nearly-halves that round up when the half is added, a negative
// value that snaps to a negative zero, values too large to hold a fraction,
// NaN and infinities), bit for bit.
TEST(SnapToLatticeTest, RoundsTheDoubledCoordinateAsTheLibraryDoes) {
  const auto reference = [](float value) {
    const float doubled = value * 2.0f;
    return (doubled >= 0.0f ? std::floor(doubled + 0.5f) : std::ceil(doubled - 0.5f)) * 0.5f;
  };
  using TLimits = std::numeric_limits<float>;
  const float values[] = {0.0f,        -0.0f,        0.1f,         -0.1f,         0.25f,          -0.25f,
                          0.2499999f,  -0.2499999f,  0.7499999f,   1.75f,         -1.75f,         0.124999996f,
                          3.3f,        -3.3f,        4194303.5f,   -4194303.5f,   4194304.25f,    5.0e6f,
                          -5.0e6f,     1.0e30f,      -1.0e30f,     TLimits::infinity(), -TLimits::infinity(),
                          TLimits::quiet_NaN(),      TLimits::denorm_min(),     -TLimits::denorm_min()};
  for (const float value : values) {
    SCOPED_TRACE(value);
    const TVector3 snapped = TRoutePointMeasure::SnapToLattice(TVector3(value, -value, value));
    EXPECT_EQ(std::bit_cast<uint32_t>(snapped.x), std::bit_cast<uint32_t>(reference(value)));
    EXPECT_EQ(std::bit_cast<uint32_t>(snapped.y), std::bit_cast<uint32_t>(reference(-value)));
    EXPECT_EQ(std::bit_cast<uint32_t>(snapped.z), std::bit_cast<uint32_t>(reference(value)));
  }
}

TEST_F(RoutePointMeasureTest, ARouteGoesAroundAWall) {
  WallLine(5.0f, 0.0f, 8.0f);
  Combatant* walker = Unit("Grunt", 3, 4);
  auto measure = MeasureFor(*walker);
  TPathSearch search;
  search.Run(walker->Position(), TVector3(7, 4, 0), *measure);
  ASSERT_NE(search.LastPoint(), nullptr);
  EXPECT_EQ(*search.LastPoint(), TVector3(7, 4, 0));
  EXPECT_FALSE(CrossesBelow(search, 5.0f, 8.5f));
  EXPECT_GT(search.Length(), 9.0f);

  // Without the wall the way is straight.
  TWorld open;
  TRoutePointMeasure plain(open, &walker->GetLofVolume(), 0, 0, 0, "0");
  search.Run(walker->Position(), TVector3(7, 4, 0), plain);
  EXPECT_FLOAT_EQ(search.Length(), 4.0f);
}

TEST_F(RoutePointMeasureTest, NoRouteLeadsIntoAClosedRoom) {
  WallLine(10.0f, 10.0f, 14.0f);
  WallLine(14.0f, 10.0f, 14.0f);
  for (float x = 11.0f; x <= 13.0f; x += 1.0f) {
    Tile("Wall", x, 10.0f);
    Tile("Wall", x, 14.0f);
  }
  Combatant* walker = Unit("Grunt", 5, 12);
  auto measure = MeasureFor(*walker);
  TPathSearch search;
  const TVector3 goal(12, 12, 0);
  search.Run(walker->Position(), goal, *measure);
  ASSERT_NE(search.LastPoint(), nullptr);
  EXPECT_FALSE(search.LastPoint()->IsWithin(goal, 0.0001f));
  // It ends outside, as near the room as the walls let it.
  EXPECT_LT(search.LastPoint()->x, 10.0f);
  EXPECT_GT(search.LastPoint()->x, 8.0f);
}

TEST_F(RoutePointMeasureTest, StepsOffTheMapAreRefused) {
  Combatant* walker = Unit("Grunt", 0, 3);
  auto measure = MeasureFor(*walker);
  TPathSearch search;
  search.Run(walker->Position(), TVector3(-3, 3, 0), *measure);
  for (const TVector3& p : search.Points()) EXPECT_GE(p.x, 0.0f);
  // -0.5 rounds away from zero, off the map; -0.4 stays in cell 0.
  EXPECT_FALSE(measure->IsStepAllowed(TVector3(0, 3, 0), TVector3(-0.5f, 3, 0), TVector3(-3, 3, 0)));
  EXPECT_TRUE(measure->IsStepAllowed(TVector3(0, 3, 0), TVector3(-0.4f, 3, 0), TVector3(-3, 3, 0)));

  // The same on every side: the last cell reaches to half a unit short of
  // the map's size.
  const auto w = static_cast<float>(world_->GetMap().GetWidth());
  const auto h = static_cast<float>(world_->GetMap().GetHeight());
  const struct {
    TVector3 from;
    TVector3 to;
    bool allowed;
  } edges[] = {
      {{w - 1.0f, 3, 0}, {w - 0.5f, 3, 0}, false},         {{w - 1.0f, 3, 0}, {w - 0.5001f, 3, 0}, true},
      {{3, 0, 0}, {3, -0.5f, 0}, false},                   {{3, 0, 0}, {3, -0.4999f, 0}, true},
      {{3, h - 1.0f, 0}, {3, h - 0.5f, 0}, false},         {{3, h - 1.0f, 0}, {3, h - 0.5001f, 0}, true},
      {{3, 3, 0}, {std::numeric_limits<float>::quiet_NaN(), 3, 0}, false},
  };
  for (const auto& edge : edges) {
    SCOPED_TRACE(testing::Message() << edge.to.x << "," << edge.to.y);
    EXPECT_EQ(measure->IsStepAllowed(edge.from, edge.to, edge.to), edge.allowed);
  }
}

TEST_F(RoutePointMeasureTest, GooIsAvoidedUnlessTheWalkerWadesThroughIt) {
  for (float y = 0.0f; y <= 8.0f; y += 0.5f) Place(std::make_unique<Goo>(TVector3(5, y, 0), 0.0f));
  Combatant* walker = Unit("Grunt", 3, 4);
  const TVector3 goal(7, 4, 0);
  struct TCase {
    uint8_t wades;
    bool straight;
  };
  for (const TCase& c : {TCase{0, false}, TCase{1, true}}) {
    auto measure = MeasureFor(*walker, c.wades);
    measure->CollectBlockers(walker->Position());
    TPathSearch search;
    search.Run(walker->Position(), goal, *measure);
    EXPECT_EQ(*search.LastPoint(), goal);
    EXPECT_EQ(!CrossesBelow(search, 5.0f, 8.0f), !c.straight) << int(c.wades);
  }
  // Without the obstacle check goo is not looked at.
  auto unchecked = MeasureFor(*walker);
  EXPECT_TRUE(unchecked->IsStepAllowed(TVector3(4.5f, 4, 0), TVector3(5, 4, 0), goal));
}

TEST_F(RoutePointMeasureTest, CollectedUnitsAreObstaclesButTheWalkerIsNot) {
  Combatant* walker = Unit("Grunt", 3, 4);
  Unit("Grunt", 5, 4, 1);
  Unit("Grunt", 20, 20, 1);
  auto measure = MeasureFor(*walker);
  measure->CollectBlockers(walker->Position());
  EXPECT_TRUE(measure->ChecksBlockers());
  EXPECT_EQ(measure->GetBlockers().size(), 2u);

  TPathSearch search;
  search.Run(walker->Position(), TVector3(7, 4, 0), *measure);
  EXPECT_EQ(*search.LastPoint(), TVector3(7, 4, 0));
  for (const TVector3& p : search.Points()) EXPECT_GT(p.DistanceTo(TVector3(5, 4, 0)), 0.75f);

  // Switched off, the way is straight again, past the other unit's penalty.
  measure->SetCheckBlockers(false);
  search.Run(walker->Position(), TVector3(7, 4, 0), *measure);
  EXPECT_FLOAT_EQ(search.Length(), 4.0f);
  EXPECT_FLOAT_EQ(measure->PointPenalty(TVector3(5.1f, 4, 0)), 0.1f);
  EXPECT_FLOAT_EQ(measure->PointPenalty(TVector3(5.3f, 4, 0)), 0.0f);
}

// While a search runs the crowd penalty looks only at the units near the
// point along x; it must find every unit that the plain walk over all units
// finds, side by side and far from the origin too.
TEST_F(RoutePointMeasureTest, TheCrowdPenaltyInASearchIsThePenaltyOutsideIt) {
  Combatant* walker = Unit("Grunt", 1, 1);
  const TVector3 crowd[] = {{3.0f, 3.0f, 0}, {3.1f, 5.0f, 0}, {7.9f, 3.0f, 0}, {8.05f, 3.1f, 0}, {8.2f, 2.95f, 0},
                            {150000.2f, 2.0f, 0}};
  for (const TVector3& at : crowd) Unit("Grunt", at.x, at.y);
  auto measure = MeasureFor(*walker);
  std::vector<TVector3> points;
  for (float x = 0.5f; x <= 9.0f; x += 0.05f) {
    for (float y = 0.5f; y <= 5.5f; y += 0.05f) points.emplace_back(x, y, 0.0f);
  }
  for (float dx = -0.3f; dx <= 0.3f; dx += 0.05f) points.emplace_back(150000.2f + dx, 2.0f, 0.0f);
  std::vector<float> outside;
  for (const TVector3& p : points) outside.push_back(measure->PointPenalty(p));
  measure->BeginSearch();
  int32_t crowded = 0;
  for (std::size_t i = 0; i < points.size(); ++i) {
    SCOPED_TRACE(testing::Message() << points[i].x << "," << points[i].y);
    EXPECT_EQ(measure->PointPenalty(points[i]), outside[i]);
    if (outside[i] > 0.0f) ++crowded;
  }
  measure->EndSearch();
  // Every unit but the walker crowds some of the points.
  EXPECT_GT(crowded, 6 * 10);
}

TEST_F(RoutePointMeasureTest, AGreyUnitJumpsBetweenItsOwnRegenerators) {
  Regenerator(5, 5, 0);
  Regenerator(30, 30, 0);
  Regenerator(6, 30, 1);
  Combatant* walker = Unit("Psyker", 3, 5);
  auto measure = MeasureFor(*walker, 0, 1);
  ASSERT_EQ(measure->RegeneratorCount(), 3u);
  // (0.9 + 0.4 + 0.5) x 2 truncated, halved.
  EXPECT_FLOAT_EQ(measure->EntrySpacing(), 1.5f);
  // The far entry of the goal's Regenerator must be a free place.
  for (const TVector3& entry : measure->EntryPoints(1)) Tile("Floor", entry.x, entry.y);

  std::vector<TVector3> out;
  measure->Neighbours(TVector3(3.5f, 5, 0), out);
  EXPECT_EQ(out.size(), 8u + 4u);
  EXPECT_EQ(out[8], TVector3(31.5f, 30, 0));

  const TVector3 goal(28.5f, 30, 0);
  TPathSearch search;
  search.Run(walker->Position(), goal, *measure);
  EXPECT_EQ(*search.LastPoint(), goal);
  int jumps = 0;
  for (std::size_t i = 1; i < search.PointCount(); ++i) {
    if (search.PointAt(i - 1)->DistanceTo(*search.PointAt(i)) >= TRoute::kJumpLength) ++jumps;
  }
  EXPECT_EQ(jumps, 1);
  EXPECT_LT(search.TravelTime(0.5f), 10.0f);

  // An ungrey walker of the same owner does not know the way.
  auto walking = MeasureFor(*walker, 0, 0);
  out.clear();
  walking->Neighbours(TVector3(3.5f, 5, 0), out);
  EXPECT_EQ(out.size(), 8u);
}

// --- the node graph --------------------------------------------------------------------

TEST(NodeGraphMeasureTest, TheSearchFollowsTheCheapestOpenConnections) {
  TNodeGraph graph;
  const int32_t start = graph.AddNode(TVector3(0, 0, 0));
  const int32_t low = graph.AddNode(TVector3(5, 0, 0));
  const int32_t goal = graph.AddNode(TVector3(10, 0, 0));
  const int32_t high = graph.AddNode(TVector3(5, 5, 0));
  // Through `low`: 10 in all, closed for large walkers; through `high`: 14.
  const std::vector<std::pair<int32_t, int32_t>> edges = {{start, low}, {low, goal}, {start, high}, {high, goal}};
  for (const auto& [a, b] : edges) {
    graph.Connect(a, b);
    const bool viaLow = a == low || b == low;
    const std::vector<float> costs = viaLow ? std::vector<float>{5, 5, 5, 5, 5, 0} : std::vector<float>{7, 7, 7, 7, 7, 7};
    graph.Node(a)->SetCostsOfConnectionTo(b, costs);
    graph.Node(b)->SetCostsOfConnectionTo(a, costs);
  }
  struct TCase {
    int32_t movementClass;
    int32_t via;
  };
  for (const TCase& c : {TCase{3, low}, TCase{5, high}}) {
    TNodeGraphMeasure measure(graph, c.movementClass);
    TPathSearch search;
    search.Run(graph.NodePosition(start), graph.NodePosition(goal), measure);
    EXPECT_EQ(PointsOf(search), (std::vector<TVector3>{graph.NodePosition(start), graph.NodePosition(c.via),
                                                       graph.NodePosition(goal)}))
        << c.movementClass;
  }

  TNodeGraphMeasure measure(graph, 3);
  TPathNode at;
  at.position = graph.NodePosition(start);
  EXPECT_FLOAT_EQ(measure.Distance(at, graph.NodePosition(low)), 5.0f);
  EXPECT_FLOAT_EQ(measure.Distance(at, graph.NodePosition(goal)), 0.0f);
  EXPECT_TRUE(measure.IsStepAllowed(at.position, TVector3(99, 99, 0), TVector3()));
  EXPECT_FLOAT_EQ(measure.PointPenalty(at.position), 0.0f);
}

// A crafted graph whose way back is cheaper than nothing: each re-parenting
// looks cheaper, and without a guard the parents close a loop that the route
// is rebuilt from for ever.
TEST(NodeGraphMeasureTest, CostsThatMakeACycleStillGiveAFiniteRoute) {
  TNodeGraph graph;
  const int32_t a = graph.AddNode(TVector3(0, 0, 0));
  const int32_t b = graph.AddNode(TVector3(1, 0, 0));
  const int32_t c = graph.AddNode(TVector3(2, 0, 0));
  const int32_t goal = graph.AddNode(TVector3(9, 0, 0));
  const auto link = [&graph](int32_t from, int32_t to, float cost) {
    graph.Node(from)->AddConnection(to, graph.NodePosition(to));
    graph.Node(from)->SetCostsOfConnectionTo(to, std::vector<float>(6, cost));
  };
  link(a, b, 1.0f);
  link(b, a, -100.0f);
  link(b, c, 1.0f);
  link(c, b, -100.0f);
  link(c, a, 1.0f);

  std::vector<TVector3> route;
  EXPECT_FALSE(graph.FindRoute(a, goal, 3, route));
  ASSERT_FALSE(route.empty());
  EXPECT_LE(route.size(), 4u);
  EXPECT_EQ(route.front(), graph.NodePosition(a));
}

TEST(NodeGraphMeasureTest, AnEmptyGraphGivesTheStartAlone) {
  TNodeGraph graph;
  TNodeGraphMeasure measure(graph, 3);
  TPathSearch search;
  search.Run(TVector3(1, 1, 0), TVector3(9, 9, 0), measure);
  EXPECT_EQ(PointsOf(search), std::vector<TVector3>{TVector3(1, 1, 0)});
}

}  // namespace
