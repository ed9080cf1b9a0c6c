// The computer opponent's movement node graph and the movement classes: the
// connection rules, the file across its versions and against damaged data,
// the pending queue, start nodes, routes and the costs worked out over a
// shipped world.
#include "ai/node_graph.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ai/movement_class.h"
#include "app/data_stream.h"
#include "support/shipped_world.h"
#include "support/temp_folder.h"
#include "world/terrain_object.h"
#include "world/volume.h"

namespace {

// --- movement classes ---------------------------------------------------------------

TEST(MovementClassTest, UnitTypesMoveAsTheirBodySize) {
  const std::vector<std::pair<std::string, int32_t>> cases = {
      {"Buzzer", 0}, {"Hunter", 1}, {"Saucer", 2}, {"Grunt", 3},      {"Psyker", 3},      {"Drone", 4},
      {"Spiker", 4}, {"Queen", 5},  {"AI", 5},     {"Guardian", 5},   {"Regenerator", 3}, {"grunt", 3},
  };
  for (const auto& [name, movementClass] : cases) EXPECT_EQ(MovementClassForUnitType(name), movementClass) << name;
  EXPECT_EQ(MovementClassName(3), "Small Walker");
  EXPECT_EQ(MovementClassName(6), "");
}

TEST(MovementClassTest, ShapesFollowThePositionAndAreRebuiltWhole) {
  TVector3 position(2, 3, 0);
  TCompoundVolume shape;
  const std::vector<std::pair<int32_t, std::size_t>> counts = {{0, 1}, {1, 1}, {2, 2}, {3, 1}, {4, 1},
                                                                {5, 1}, {6, 0}, {-1, 0}};
  for (const auto& [movementClass, members] : counts) {
    BuildClassShape(shape, &position, movementClass);
    EXPECT_EQ(shape.Count(), members) << movementClass;
  }
  BuildClassShape(shape, &position, 2);
  BuildClassShape(shape, &position, 5);
  ASSERT_EQ(shape.Count(), 1u);
  EXPECT_FLOAT_EQ(shape.MaxGroundRadius(), 0.8f);
  position.x = 7.0f;
  TVector3 centre;
  shape.Centre(centre);
  EXPECT_EQ(centre, TVector3(7, 3, 0.4f));
}

// --- connections and nodes -------------------------------------------------------------

TEST(NodeConnectionTest, SmallerClassesBlockLargerOnes) {
  TNodeConnection unknown(1, TVector3());
  for (int32_t c = 0; c < kMovementClassCount; ++c) EXPECT_FALSE(unknown.IsOpenFor(c));
  EXPECT_FALSE(unknown.IsBlockedFor(0));
  for (int32_t c = 1; c < kMovementClassCount; ++c) EXPECT_TRUE(unknown.IsBlockedFor(c));

  struct TCase {
    std::vector<float> costs;
    std::vector<bool> blocked;  // classes 0..5, then 6
  };
  const std::vector<TCase> cases = {
      {{0, 4, 4, 4, 4, 4}, {false, true, false, false, false, false, true}},
      {{4, 0, 4, 4, 4, 4}, {false, false, true, true, false, false, true}},
      {{4, 4, 4, 0, 4, 4}, {false, false, false, false, true, false, true}},
      {{4, 4, 4, 4, 0.00005f, 4}, {false, false, false, false, false, true, true}},
  };
  for (const TCase& c : cases) {
    TNodeConnection connection(1, TVector3());
    connection.SetCosts(c.costs);
    for (int32_t k = 0; k <= kMovementClassCount; ++k) EXPECT_EQ(connection.IsBlockedFor(k), c.blocked[k]) << k;
  }
}

TEST(NodeGraphTest, QueriesOfTheRouteSearch) {
  TNodeGraph graph;
  EXPECT_EQ(graph.FindNodeAt(TVector3(1, 1, 0)), 0);
  graph.AddNode(TVector3(0, 0, 0));
  graph.AddNode(TVector3(4, 0, 0));
  graph.AddNode(TVector3(0, 4, 0));
  ASSERT_TRUE(graph.Connect(0, 1));
  ASSERT_TRUE(graph.Connect(0, 2));
  EXPECT_FALSE(graph.Connect(0, 1));
  EXPECT_FALSE(graph.Connect(0, 0));
  EXPECT_FALSE(graph.Connect(0, 9));
  graph.Node(0)->SetCostsOfConnectionTo(1, {4, 4, 4, 4, 4, 0});
  graph.Node(0)->SetCostsOfConnectionTo(2, {5, 5, 5, 5, 5, 5});

  EXPECT_EQ(graph.FindNodeAt(TVector3(4.00005f, 0, 0)), 1);
  EXPECT_EQ(graph.FindNodeAt(TVector3(4.001f, 0, 0)), 0);
  std::vector<TVector3> reachable;
  graph.CollectReachable(0, 5, reachable);
  EXPECT_EQ(reachable, std::vector<TVector3>{TVector3(0, 4, 0)});
  reachable.clear();
  graph.CollectReachable(0, 3, reachable);
  EXPECT_EQ(reachable, (std::vector<TVector3>{TVector3(4, 0, 0), TVector3(0, 4, 0)}));
  graph.CollectReachable(7, 3, reachable);
  EXPECT_EQ(reachable.size(), 2u);

  EXPECT_FLOAT_EQ(graph.ConnectionCost(0, 2, 4), 5.0f);
  EXPECT_FLOAT_EQ(graph.ConnectionCost(1, 0, 4), 0.0f);  // back link not yet costed
  EXPECT_FLOAT_EQ(graph.ConnectionCost(1, 2, 4), 0.0f);
  EXPECT_FLOAT_EQ(graph.ConnectionCost(-1, 2, 4), 0.0f);
  graph.MakeSymmetric(0);
  EXPECT_FLOAT_EQ(graph.ConnectionCost(1, 0, 4), 4.0f);

  std::vector<TVector3> route;
  EXPECT_TRUE(graph.FindRoute(1, 2, 3, route));
  EXPECT_EQ(route, (std::vector<TVector3>{TVector3(4, 0, 0), TVector3(0, 0, 0), TVector3(0, 4, 0)}));
  route.clear();
  EXPECT_FALSE(graph.FindRoute(1, 2, 5, route));
  EXPECT_EQ(route, std::vector<TVector3>{TVector3(4, 0, 0)});
  EXPECT_FALSE(graph.FindRoute(-1, 2, 3, route));
}

// Node lookups go through a lattice of cells; they must answer as a scan
// over every node in order would: the first node within 0.0001 on every axis.
TEST(NodeGraphTest, NodesAreFoundAtTheirPointsAsAScanInOrderFindsThem) {
  const std::vector<TVector3> nodes = {
      TVector3(0.25f, 0.0f, 0.0f),    TVector3(0.24995f, 0.0f, 0.0f), TVector3(-0.25f, -0.5f, 0.0f),
      TVector3(3.0f, 7.5f, 1.0f),     TVector3(3.00008f, 7.5f, 1.0f), TVector3(1.0e20f, -3.0e30f, 0.0f),
      TVector3(0.0f, 0.0f, 0.0f),     TVector3(0.25f, 0.0f, 0.0f),    TVector3(-0.0001f, 0.2499f, 0.75f),
  };
  TNodeGraph graph;
  for (const TVector3& at : nodes) graph.AddNode(at);
  const auto scan = [&nodes](const TVector3& point) {
    for (std::size_t i = 0; i < nodes.size(); ++i) {
      if (nodes[i].IsWithin(point, TNodeGraph::kSamePlace)) return static_cast<int32_t>(i);
    }
    return 0;
  };
  std::vector<TVector3> points = nodes;
  for (const TVector3& at : nodes) {
    for (const float d : {-0.00011f, -0.0001f, -0.00005f, 0.00005f, 0.0001f, 0.00011f, 0.25f}) {
      points.emplace_back(at.x + d, at.y, at.z);
      points.emplace_back(at.x, at.y - d, at.z + d);
    }
  }
  points.emplace_back(9.0f, 9.0f, 9.0f);
  for (const TVector3& point : points) {
    EXPECT_EQ(graph.FindNodeAt(point), scan(point)) << point.x << ", " << point.y << ", " << point.z;
  }
  // An emptied graph forgets the old nodes' places.
  graph.DeleteAll();
  graph.AddNode(TVector3(9, 9, 0));
  graph.AddNode(TVector3(5, 5, 0));
  EXPECT_EQ(graph.FindNodeAt(TVector3(5, 5, 0)), 1);
  EXPECT_EQ(graph.FindNodeAt(nodes[4]), 0);
}

TEST(NodeGraphTest, UrgentQueueingPutsNearNodesInFrontInReverseOrder) {
  TNodeGraph graph;
  for (float x : {0.0f, 1.0f, 2.0f, 5.9f, 6.0f}) graph.AddNode(TVector3(x, 0, 0));
  graph.QueueNodesNear(TVector3(6.0f, 0, 0), false);
  EXPECT_EQ(graph.PendingNodes(), (std::vector<int32_t>{1, 2, 3, 4}));
  graph.QueueNodesNear(TVector3(0, 0, 0), true);
  // 5.9 is within 6.0, 6.0 is not; the near ones move to the front.
  EXPECT_EQ(graph.PendingNodes(), (std::vector<int32_t>{3, 2, 1, 0, 4}));
  graph.QueueNodesNear(TVector3(6.0f, 0, 0), false);
  EXPECT_EQ(graph.PendingNodes(), (std::vector<int32_t>{3, 2, 1, 0, 4}));
}

// --- the file ---------------------------------------------------------------------------

// A body in the stream's version, written field by field.
TDataStream GraphBody(const std::string& tag, bool pending, bool hubs) {
  TDataStream stream(tag);
  stream.WriteInt(2);
  for (int node = 0; node < 2; ++node) {
    TVector3(static_cast<float>(node * 3), 1.0f, 0.0f).Write(stream);
    stream.WriteInt(1);
    stream.WriteInt(static_cast<uint32_t>(1 - node));
    TVector3(static_cast<float>((1 - node) * 3), 1.0f, 0.0f).Write(stream);
    if (node == 0) {
      stream.WriteInt(6);
      for (int c = 0; c < 6; ++c) stream.WriteFloat(3.0f + static_cast<float>(c));
    } else {
      stream.WriteInt(0);
    }
    if (hubs) stream.WriteByte(static_cast<uint8_t>(node));
  }
  if (pending) {
    stream.WriteInt(1);
    stream.WriteInt(1);
  }
  stream.Rewind();
  return stream;
}

TEST(NodeGraphTest, BodiesOfEachVersionRead) {
  struct TCase {
    const char* tag;
    bool pending;
    bool hubs;
  };
  for (const TCase& c : {TCase{"Vorhelm-1-05", false, false}, TCase{"Vorhelm-2-22", false, false},
                         TCase{"Vorhelm-2-23", true, false}, TCase{"Vorhelm-2-26", true, true}}) {
    TDataStream stream = GraphBody(c.tag, c.pending, c.hubs);
    TNodeGraph graph;
    ASSERT_TRUE(graph.ReadBody(stream)) << c.tag;
    EXPECT_EQ(stream.Remaining(), 0u) << c.tag;
    ASSERT_EQ(graph.NodeCount(), 2);
    EXPECT_EQ(graph.NodePosition(1), TVector3(3, 1, 0));
    EXPECT_FLOAT_EQ(graph.ConnectionCost(0, 1, 5), 8.0f);
    EXPECT_TRUE(graph.Node(1)->ConnectionCosts(0).empty());
    EXPECT_EQ(graph.PendingNodes().size(), c.pending ? 1u : 0u) << c.tag;
    EXPECT_EQ(graph.Node(1)->IsHub(), c.hubs) << c.tag;
  }
}

TEST(NodeGraphTest, DamagedBodiesAreRefusedAndLeaveTheGraphEmpty) {
  struct TCase {
    const char* what;
    std::size_t offset;  // byte of the current-format body to overwrite
    uint32_t value;
  };
  // Node record: 12 position, 4 count; connection: 4 target, 12 position, 4 count.
  const std::vector<TCase> cases = {
      {"node count", 0, 0x7fffffff}, {"negative node count", 0, 0xffffffff},
      {"connection count", 16, 1000}, {"target outside", 20, 2},
      {"cost count", 36, 3},           {"pending node outside", 0, 0},
      // Costs below nothing make a loop pay; the route search must never see them.
      {"negative cost", 40, 0xc0a00000},  {"cost of NaN", 44, 0x7fc00000},
      {"infinite cost", 60, 0x7f800000},  {"node position of NaN", 4, 0xffc00000},
  };
  for (const TCase& c : cases) {
    TDataStream stream = GraphBody("Vorhelm-2-26", true, true);
    std::vector<uint8_t>& body = stream.Body();
    const std::size_t at = c.offset == 0 && std::string(c.what) == "pending node outside" ? body.size() - 4 : c.offset;
    const uint32_t value = std::string(c.what) == "pending node outside" ? 5u : c.value;
    for (int k = 0; k < 4; ++k) body[at + k] = static_cast<uint8_t>(value >> (8 * k));
    TNodeGraph graph;
    graph.AddNode(TVector3(9, 9, 9));
    EXPECT_FALSE(graph.ReadBody(stream)) << c.what;
    EXPECT_TRUE(stream.HasFailed()) << c.what;
    EXPECT_EQ(graph.NodeCount(), 0) << c.what;
    EXPECT_TRUE(graph.PendingNodes().empty()) << c.what;
  }
  TDataStream truncated = GraphBody("Vorhelm-2-26", true, true);
  truncated.Body().pop_back();
  TNodeGraph graph;
  EXPECT_FALSE(graph.ReadBody(truncated));
}

TEST(NodeGraphTest, SavedGraphsLoadAgainAndMissingFilesLeaveItEmpty) {
  TTempFolder folder;
  TNodeGraph graph;
  graph.AddNode(TVector3(1, 2, 0));
  graph.AddNode(TVector3(3, 2, 0));
  graph.Connect(0, 1);
  graph.Node(0)->SetCostsOfConnectionTo(1, {1, 2, 3, 4, 5, 6});
  graph.Node(1)->SetHub(true);
  graph.QueueNodesNear(TVector3(3, 2, 0), false);
  ASSERT_TRUE(graph.Save("Foundry.nde"));

  TNodeGraph loaded;
  ASSERT_TRUE(loaded.Load("Foundry.nde"));
  ASSERT_EQ(loaded.NodeCount(), 2);
  EXPECT_EQ(loaded.NodePosition(0), TVector3(1, 2, 0));
  EXPECT_EQ(loaded.Node(0)->ConnectionCosts(0), (std::vector<float>{1, 2, 3, 4, 5, 6}));
  EXPECT_TRUE(loaded.Node(1)->IsHub());
  EXPECT_FALSE(loaded.Node(0)->IsHub());
  EXPECT_EQ(loaded.PendingNodes(), graph.PendingNodes());

  EXPECT_FALSE(loaded.Load("Missing.nde"));
  EXPECT_EQ(loaded.NodeCount(), 0);
}

// --- costs over a world ---------------------------------------------------------------------

class NodeGraphWorldTest : public test_world::ShippedWorldTest {
 protected:
  void Tile(const std::string& typeName, float x, float y) {
    const TTerrainType* type = world_->GetGameData().FindTerrainType(typeName);
    ASSERT_NE(type, nullptr) << typeName;
    Place(std::make_unique<TTerrainObject>(*type, TVector3(x, y, 0.0f), 0.0f));
  }
  void Floor(int32_t width, int32_t height) {
    for (int32_t y = 0; y < height; ++y) {
      for (int32_t x = 0; x < width; ++x) Tile("Floor", static_cast<float>(x), static_cast<float>(y));
    }
  }
  TNodeGraph graph_;
};

TEST_F(NodeGraphWorldTest, PendingNodesGetTheirCostsFourAtATime) {
  Floor(16, 8);
  for (int32_t i = 0; i < 6; ++i) graph_.AddNode(TVector3(2.0f + 2.0f * static_cast<float>(i), 4, 0));
  graph_.Connect(0, 1);
  for (int32_t i = 0; i < 6; ++i) graph_.QueueNodesNear(graph_.NodePosition(i), false);
  ASSERT_EQ(graph_.PendingNodes().size(), 6u);
  graph_.ProcessPendingNodes(*world_);
  EXPECT_EQ(graph_.PendingNodes(), (std::vector<int32_t>{4, 5}));
  graph_.ProcessPendingNodes(*world_);
  EXPECT_TRUE(graph_.PendingNodes().empty());

  // Open floor: every class walks the straight two units; the back link
  // took the same list.
  const std::vector<float>& costs = graph_.Node(0)->ConnectionCosts(0);
  ASSERT_EQ(costs.size(), 6u);
  for (float cost : costs) EXPECT_FLOAT_EQ(cost, 2.0f);
  EXPECT_EQ(graph_.Node(1)->ConnectionCosts(0), costs);
}

TEST_F(NodeGraphWorldTest, QueuedNodesAreCostedAfreshWhenTheMapChanged) {
  Floor(10, 6);
  graph_.AddNode(TVector3(2, 3, 0));
  graph_.AddNode(TVector3(6, 3, 0));
  graph_.Connect(0, 1);
  graph_.ComputeConnectionCosts(0, 0, *world_);
  graph_.ComputeConnectionCosts(1, 0, *world_);
  ASSERT_EQ(graph_.Node(0)->ConnectionCosts(0), (std::vector<float>(6, 4.0f)));
  ASSERT_EQ(graph_.Node(1)->ConnectionCosts(0), (std::vector<float>(6, 4.0f)));

  // A wall now stands across the straight way.
  for (float y = 1.0f; y < 6.0f; y += 1.0f) Tile("Wall", 4, y);
  graph_.QueueNodesNear(TVector3(4, 3, 0), true);
  graph_.ProcessPendingNodes(*world_);
  const std::vector<float> costs = graph_.Node(0)->ConnectionCosts(0);
  ASSERT_EQ(costs.size(), 6u);
  // Each class now walks around the wall, or cannot pass at all.
  for (float cost : costs) EXPECT_TRUE(cost == 0.0f || cost > 4.5f) << cost;
  EXPECT_GT(costs[kSmallWalker], 4.5f);
  EXPECT_EQ(graph_.Node(1)->ConnectionCosts(0), costs);
}

TEST_F(NodeGraphWorldTest, AWallCostsTheDetourAndAClosedRoomIsShutForEveryClass) {
  Floor(14, 14);
  // A wall across x = 5 from y = 0 to 5, open above.
  for (float y = 0.0f; y <= 5.0f; y += 1.0f) Tile("Wall", 5, y);
  // A closed room around (10, 10).
  for (float y = 8.0f; y <= 12.0f; y += 1.0f) {
    Tile("Wall", 8, y);
    Tile("Wall", 12, y);
  }
  for (float x = 9.0f; x <= 11.0f; x += 1.0f) {
    Tile("Wall", x, 8);
    Tile("Wall", x, 12);
  }
  graph_.AddNode(TVector3(3, 4, 0));
  graph_.AddNode(TVector3(7, 4, 0));
  graph_.AddNode(TVector3(10, 10, 0));
  graph_.Connect(0, 1);
  graph_.Connect(0, 2);
  graph_.ComputeConnectionCosts(0, 0, *world_);
  graph_.ComputeConnectionCosts(0, 1, *world_);

  const std::vector<float> around = graph_.Node(0)->ConnectionCosts(0);
  ASSERT_EQ(around.size(), 6u);
  // The small walker goes around the wall's end, within 1.33 x 4 + 3.
  EXPECT_GT(around[kSmallWalker], 5.6f);
  EXPECT_LT(around[kSmallWalker], 8.32f);
  EXPECT_EQ(graph_.Node(0)->ConnectionCosts(1), (std::vector<float>(6, 0.0f)));

  // Computed costs are not computed again.
  graph_.Node(0)->Connection(0)->SetCosts({1, 1, 1, 1, 1, 1});
  graph_.ComputeConnectionCosts(0, 0, *world_);
  EXPECT_EQ(graph_.Node(0)->ConnectionCosts(0), (std::vector<float>{1, 1, 1, 1, 1, 1}));
}

TEST_F(NodeGraphWorldTest, StartNodesAreTheNearestByRouteWithinEight) {
  Floor(20, 12);
  for (float y = 0.0f; y <= 8.0f; y += 1.0f) Tile("Wall", 5, y);
  graph_.AddNode(TVector3(6, 4, 0));   // behind the wall, 2 away in a line
  graph_.AddNode(TVector3(2, 7, 0));   // 3.6 away, on this side
  graph_.AddNode(TVector3(12, 4, 0));  // 8.0 away: no candidate
  EXPECT_EQ(graph_.NearestReachableNode(TVector3(4, 4, 0), kSmallWalker, *world_), 1);
  EXPECT_EQ(graph_.NodeIndexForUnitType(TVector3(7, 4, 0), "Grunt", *world_), 0);
  // Node 2 stands exactly 8.0 away.
  EXPECT_EQ(graph_.NearestReachableNode(TVector3(20, 4, 0), kSmallWalker, *world_), -1);
}

TEST_F(NodeGraphWorldTest, HubsAreJoinedToEveryOtherHub) {
  Floor(30, 10);
  graph_.AddNode(TVector3(3, 5, 0));
  graph_.AddNode(TVector3(26, 5, 0));
  graph_.AddNode(TVector3(14, 5, 0));
  graph_.AddHubAt(TVector3(3, 5, 0), *world_);
  graph_.AddHubAt(TVector3(26, 5, 0), *world_);
  graph_.AddHubAt(TVector3(26.5f, 5, 0), *world_);  // already a hub
  EXPECT_TRUE(graph_.Node(0)->IsHub());
  EXPECT_TRUE(graph_.Node(1)->IsHub());
  EXPECT_FALSE(graph_.Node(2)->IsHub());
  ASSERT_EQ(graph_.Node(1)->ConnectionCount(), 1);
  ASSERT_EQ(graph_.Node(0)->ConnectionCount(), 1);
  EXPECT_EQ(graph_.Node(1)->ConnectionTarget(0), 0);
  // The new link's costs are worked out and the back link holds the same list.
  EXPECT_EQ(graph_.Node(1)->ConnectionCosts(0).size(), 6u);
  EXPECT_EQ(graph_.Node(0)->ConnectionCosts(0), graph_.Node(1)->ConnectionCosts(0));
}

}  // namespace
