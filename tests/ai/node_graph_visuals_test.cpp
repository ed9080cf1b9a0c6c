// What the map designer shows of a node graph: a marker per node, a bar per
// connection open for the shown movement class, and the route tried between
// two points.
#include "ai/node_graph_visuals.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "ai/node_graph.h"
#include "support/counting_world_bar.h"
#include "support/map_view_library.h"
#include "support/shipped_world.h"

namespace {

const char* const kInterfaceDefinitions =
    "# interface of the tests\n"
    "[MovementPoint]\n  Null\n"
    "[NodeConnection]\n  DirectDrawWorldBar | 0,0 | 1,0 | 1 | 1,1,1,1\n"
    "[ANodePath]\n  Null\n";

std::vector<float> Costs(float each) { return std::vector<float>(6, each); }

class NodeGraphVisualsTest : public test_world::ShippedWorldTest {
 protected:
  void SetUp() override {
    view_.Library().SetDefinitionText("Interface", kInterfaceDefinitions);
    draws_ = testing_display::CountWorldBarDraws(view_.Library());
    test_world::ShippedWorldTest::SetUp();
  }

  testing_display::MapViewWithLibrary view_;
  std::shared_ptr<int> draws_;
};

TEST_F(NodeGraphVisualsTest, NodesAreMarkedAndOpenConnectionsBarred) {
  TNodeGraph graph;
  const int32_t a = graph.AddNode(TVector3(1.0f, 1.0f, 0.0f));
  const int32_t b = graph.AddNode(TVector3(4.0f, 1.0f, 0.0f));
  const int32_t c = graph.AddNode(TVector3(4.0f, 5.0f, 0.0f));
  ASSERT_TRUE(graph.Connect(a, b));
  ASSERT_TRUE(graph.Connect(b, c));
  graph.Node(a)->SetCostsOfConnectionTo(b, Costs(3.0f));
  graph.Node(b)->SetCostsOfConnectionTo(a, Costs(3.0f));
  // b to c is open for the small classes only.
  std::vector<float> small = Costs(0.0f);
  small[0] = 4.0f;
  graph.Node(b)->SetCostsOfConnectionTo(c, small);

  TNodeGraphVisuals visuals(graph);
  visuals.RefreshVisuals();
  EXPECT_EQ(visuals.NodeVisualCount(), 3);
  EXPECT_EQ(visuals.ConnectionVisualCount(), 2);
  EXPECT_EQ(*draws_, 2);

  graph.SetShownClass(0);
  visuals.RefreshVisuals();
  EXPECT_EQ(visuals.ConnectionVisualCount(), 3);
  EXPECT_EQ(*draws_, 5);

  graph.DeleteAll();
  visuals.RefreshVisuals();
  EXPECT_EQ(visuals.NodeVisualCount(), 0);
  EXPECT_EQ(visuals.ConnectionVisualCount(), 0);
}

TEST_F(NodeGraphVisualsTest, ATriedRouteNeedsTwoPointsAndAReachableNode) {
  TNodeGraph graph;
  TNodeGraphVisuals visuals(graph);
  EXPECT_FALSE(visuals.TryRoutePoint(TVector3(2.0f, 2.0f, 0.0f), "Grunt", *world_));
  EXPECT_TRUE(visuals.HasPathStart());
  // No node near either point: no route, and the next point starts anew.
  EXPECT_FALSE(visuals.TryRoutePoint(TVector3(3.0f, 2.0f, 0.0f), "Grunt", *world_));
  EXPECT_FALSE(visuals.HasPathStart());
  EXPECT_EQ(visuals.PathVisualCount(), 0);
}

}  // namespace
