// The map view's draw layers: layers made on demand by index, the current
// one drawn and lit, and visuals and lights that go away leaving no layer
// holding them, whichever layer is current then.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "display/map_view.h"
#include "display/mapview/draw_layer.h"
#include "display/mapview/fixed_display.h"
#include "display/mapview/map_view_hooks.h"
#include "display/mapview/probe_visual.h"
#include "display/visual_registry.h"

namespace {

using testing_display::ProbeVisual;
using Names = std::vector<std::string>;

class MapViewLayersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto display = std::make_unique<FixedDisplay>("QUIET", 640, 480);
    display_ = display.get();
    view_ = TMapView::Create(std::move(display));
  }
  void TearDown() override { TMapView::Destroy(); }

  std::unique_ptr<ProbeVisual> Make(const std::string& name, float key) {
    return std::make_unique<ProbeVisual>(*display_, name, TVector3(key, 0.0f, 0.0f));
  }
  Names Frame() {
    display_->ClearCalls();
    view_->Draw();
    return testing_display::ProbeNames(*display_);
  }

  FixedDisplay* display_ = nullptr;
  TMapView* view_ = nullptr;
};

TEST_F(MapViewLayersTest, LayersAreMadeUpToTheIndexAskedForAndNeverShrink) {
  EXPECT_EQ(view_->LayerCount(), 1u);
  ASSERT_NE(view_->GetCurrentLayer(), nullptr);
  TDrawLayer* first = view_->GetCurrentLayer();
  EXPECT_TRUE(view_->SetLayer(3));
  EXPECT_EQ(view_->LayerCount(), 4u);
  EXPECT_EQ(view_->GetCurrentLayerIndex(), 3u);
  EXPECT_NE(view_->GetCurrentLayer(), first);
  EXPECT_TRUE(view_->SetLayer(1));
  EXPECT_EQ(view_->LayerCount(), 4u);
  EXPECT_TRUE(view_->SetLayer(0));
  EXPECT_EQ(view_->GetCurrentLayer(), first);

  EXPECT_FALSE(view_->SetLayer(TMapView::kMaxLayers)) << "no endless run of layers";
  EXPECT_FALSE(view_->SetLayer(0xFFFFFFFFu));
  EXPECT_EQ(view_->LayerCount(), 4u);
  EXPECT_EQ(view_->GetCurrentLayer(), first);
}

TEST_F(MapViewLayersTest, DrawDrawsTheCurrentLayerOnlyAndOnlyWithTheFlag) {
  const auto menu = Make("menu", 1.0f);
  const auto battle = Make("battle", 1.0f);
  view_->AddVisual(battle.get(), 0.0f);
  view_->SetLayer(2);
  view_->AddVisual(menu.get(), 0.0f);
  EXPECT_EQ(Frame(), (Names{"menu"}));
  view_->SetLayer(0);
  EXPECT_EQ(Frame(), (Names{"battle"}));
  view_->SetDrawLayers(false);
  EXPECT_TRUE(Frame().empty());
  view_->SetDrawLayers(true);

  view_->RemoveVisual(menu.get());  // not in the current layer: ignored
  view_->SetLayer(2);
  EXPECT_EQ(Frame(), (Names{"menu"}));
  view_->RemoveVisual(menu.get());
  EXPECT_TRUE(Frame().empty());
}

TEST_F(MapViewLayersTest, EachLayerLightsItsOwnScene) {
  view_->SetLayer(1);
  TLightGrid& second = view_->GetLightGrid();
  view_->SetLayer(0);
  TLightGrid& first = view_->GetLightGrid();
  ASSERT_NE(&first, &second);
  for (int x = 0; x < 4; ++x) {
    for (int y = 0; y < 4; ++y) MarkGroundLight(TVector3(static_cast<float>(x), static_cast<float>(y), 0.0f), true);
  }
  EXPECT_FLOAT_EQ(first.CornerValue(2, 2), TLightGrid::kAmbient);
  EXPECT_FLOAT_EQ(second.CornerValue(2, 2), 0.0f) << "the other scene's ground is not stamped";
  EXPECT_FALSE(view_->ToggleLighting());
  EXPECT_FALSE(first.IsEnabled());
  EXPECT_TRUE(second.IsEnabled());

  const auto lit = Make("lit", 1.0f);
  view_->AddVisual(lit.get(), 0.0f);
  Frame();
  EXPECT_EQ(lit->lastLight, &first);
}

TEST_F(MapViewLayersTest, AVisualDeletedWhileInLayersLeavesThemAll) {
  auto doomed = Make("doomed", 2.0f);
  const auto keeper = Make("keeper", 1.0f);
  view_->AddVisual(doomed.get(), 0.0f);
  view_->AddVisual(doomed.get(), -10000.0f);
  view_->AddVisual(keeper.get(), 0.0f);
  view_->SetLayer(1);
  view_->AddVisual(doomed.get(), 0.0f);
  TDrawLayer* other = view_->GetCurrentLayer();
  view_->SetLayer(0);
  TDrawLayer* current = view_->GetCurrentLayer();
  EXPECT_EQ(current->EntryCount(), 3u);

  const TVisual* gone = doomed.get();
  doomed.reset();
  EXPECT_FALSE(current->Contains(gone));
  EXPECT_FALSE(other->Contains(gone));
  EXPECT_EQ(current->EntryCount(), 1u);
  EXPECT_EQ(other->EntryCount(), 0u);
  // Drawing now touches only the living (the sanitizers would catch a read
  // of the deleted visual).
  EXPECT_EQ(Frame(), (Names{"keeper"}));
  view_->SetLayer(1);
  EXPECT_TRUE(Frame().empty());
}

TEST_F(MapViewLayersTest, TheWorldsDoorTakesAVisualOutOfEveryLayer) {
  const auto shown = Make("shown", 1.0f);
  view_->AddVisual(shown.get(), 0.0f);
  view_->SetLayer(1);
  view_->AddVisual(shown.get(), 0.0f);
  RemoveVisualFromMapView(shown.get());
  EXPECT_EQ(view_->GetCurrentLayer()->EntryCount(), 0u);
  view_->SetLayer(0);
  EXPECT_EQ(view_->GetCurrentLayer()->EntryCount(), 0u);
  RemoveVisualFromMapView(nullptr);
}

TEST_F(MapViewLayersTest, ALightLeavesItsLayerEvenWhenAnotherIsCurrent) {
  TLightGrid& first = view_->GetLightGrid();
  const TLight* seen = nullptr;
  {
    const TVector3 position(2.0f, 2.0f, 0.0f);
    TMapLight light(position, 1.0f);
    seen = &light.GetLight();
    EXPECT_TRUE(first.HasLight(seen));
    view_->SetLayer(1);
  }
  EXPECT_EQ(first.LightCount(), 0u);
  view_->SetLayer(0);
  view_->Draw();  // moves the lights of the layer: none may be left
  EXPECT_FALSE(first.HasLight(seen));
}

}  // namespace
