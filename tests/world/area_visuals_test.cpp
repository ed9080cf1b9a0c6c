// The drawings the world lays on the map as bars between points: the
// outlines of map areas and the segment markers of routes, built from the
// interface visuals of the map view's library.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "display/colour.h"
#include "display/visual_registry.h"
#include "display/visuals/visual_node.h"
#include "display/visuals/world_bar.h"
#include "support/counting_world_bar.h"
#include "support/map_view_library.h"
#include "world/bounding_box.h"

namespace {

const char* const kInterfaceDefinitions =
    "# interface of the tests\n"
    "[AreaBar]\n  DirectDrawWorldBar | 0,0 | 1,0 | 1 | 1,1,1,1\n"
    "[Route]\n  Compound\n    DirectDrawWorldBar | 0,0 | 1,0 | 1 | 1,1,1,1\n"
    "    DirectDrawWorldBar | 0,0 | 1,0 | 1 | 1,1,1,1\n  End\n";

class MapBarsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    view_.Library().SetDefinitionText("Interface", kInterfaceDefinitions);
    draws_ = testing_display::CountWorldBarDraws(view_.Library());
  }

  testing_display::MapViewWithLibrary view_;
  std::shared_ptr<int> draws_;
};

const TWorldBar& Bar(const TVisual& visual) { return dynamic_cast<const TWorldBar&>(visual); }

TEST_F(MapBarsTest, AnAreaIsOutlinedOnTheGroundCornerToCorner) {
  const TBoundingBox box(TVector3(4.0f, 6.0f, 3.0f), TVector3(1.0f, 2.0f, 0.5f));
  const TColour colour(0.5f, 0.25f, 0.0f, 1.0f);
  const std::vector<TMapVisualPtr> bars = TAreaList::DrawArea(box, &colour);
  ASSERT_EQ(bars.size(), 4U);
  const struct {
    TVector3 from;
    TVector3 span;
  } expected[] = {{TVector3(1.0f, 2.0f, 0.0f), TVector3(3.0f, 0.0f, 0.0f)},
                  {TVector3(4.0f, 2.0f, 0.0f), TVector3(0.0f, 4.0f, 0.0f)},
                  {TVector3(4.0f, 6.0f, 0.0f), TVector3(-3.0f, 0.0f, 0.0f)},
                  {TVector3(1.0f, 6.0f, 0.0f), TVector3(0.0f, -4.0f, 0.0f)}};
  for (std::size_t i = 0; i < bars.size(); ++i) {
    const TWorldBar& bar = Bar(*bars[i]);
    EXPECT_EQ(bar.GetPosition(), expected[i].from) << i;
    EXPECT_EQ(bar.GetStartCorner(), TVector3()) << i;
    EXPECT_EQ(bar.GetEndCorner(), expected[i].span) << i;
    ASSERT_NE(bar.GetColour(), nullptr);
    EXPECT_EQ(bar.GetColour()->r, 0.5f);
    EXPECT_EQ(bar.GetColour()->g, 0.25f);
    EXPECT_EQ(bar.GetColour()->b, 0.0f);
  }
}

TEST_F(MapBarsTest, AListDrawsFourBarsPerBoxAndKeepsNoneInTheLayers) {
  TAreaList areas;
  areas.SetColour(std::make_unique<TColour>(0.0f, 1.0f, 0.0f, 1.0f));
  areas.Draw();
  EXPECT_EQ(*draws_, 0);
  areas.Add(std::make_unique<TBoundingBox>(TVector3(0.0f, 0.0f, 0.0f), TVector3(2.0f, 2.0f, 0.0f)));
  areas.Add(std::make_unique<TBoundingBox>(TVector3(5.0f, 5.0f, 0.0f), TVector3(6.0f, 9.0f, 0.0f)));
  areas.Draw();
  EXPECT_EQ(*draws_, 8);
  EXPECT_EQ(view_.Layer().EntryCount(), 0U);
}

TEST_F(MapBarsTest, WithoutALibraryOrADefinitionNothingIsDrawn) {
  view_.Library().SetDefinitionText("Interface", "# nothing\n");
  view_.Library().ClearCache();
  const TBoundingBox box(TVector3(), TVector3(1.0f, 1.0f, 0.0f));
  EXPECT_TRUE(TAreaList::DrawArea(box, nullptr).empty());
  view_.EndLoan();
  view_.Library().SetDefinitionText("Interface", kInterfaceDefinitions);
  EXPECT_TRUE(TAreaList::DrawArea(box, nullptr).empty());
  EXPECT_EQ(BuildRouteMarker("Route", TVector3(), TVector3(1.0f, 0.0f, 0.0f)), nullptr);
}

TEST_F(MapBarsTest, ARouteSegmentMarkerSpansItsSegmentAboveTheFloor) {
  const TMapVisualPtr marker = BuildRouteMarker("Route", TVector3(1.0f, 1.0f, 0.0f), TVector3(2.0f, 3.0f, 0.5f));
  ASSERT_NE(marker, nullptr);
  EXPECT_EQ(marker->GetPosition(), TVector3(1.0f, 1.0f, 0.75f));
  const auto& parts = dynamic_cast<const TVisualNode&>(*marker);
  ASSERT_EQ(parts.GetChildCount(), 2);
  for (int32_t i = 0; i < parts.GetChildCount(); ++i) {
    EXPECT_EQ(Bar(*parts.GetChild(i)).GetEndCorner(), TVector3(1.0f, 2.0f, 0.0f)) << i;
  }
  // Laid again along the next segment.
  StretchMapBar(marker.get(), TVector3(2.0f, 3.0f, 0.75f), TVector3(2.0f, 5.0f, 0.75f));
  EXPECT_EQ(marker->GetPosition(), TVector3(2.0f, 3.0f, 0.75f));
  EXPECT_EQ(Bar(*parts.GetChild(0)).GetEndCorner(), TVector3(0.0f, 2.0f, 0.0f));
  EXPECT_EQ(BuildRouteMarker("", TVector3(), TVector3(1.0f, 0.0f, 0.0f)), nullptr);
}

}  // namespace
