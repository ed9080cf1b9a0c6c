// Draw layers: the painter's order of a frame as the recording display sees
// it, the background drawn first, on-top visuals last, the repair of the
// order when visuals change, stable ties, removal and the layer's own
// lighting.
#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "display/mapview/draw_layer.h"
#include "display/mapview/probe_visual.h"
#include "support/recording_display.h"

namespace {

using testing_display::RecordingDisplay;
using testing_display::ProbeVisual;

TVector3 Ground(float x, float y) { return TVector3(x, y, 0.0f); }

class DrawLayerTest : public ::testing::Test {
 protected:
  // A visual at a ground point whose key (x + y, no height) is `key`.
  ProbeVisual* Make(const std::string& name, const TVector3& position) {
    visuals_.push_back(std::make_unique<ProbeVisual>(display_, name, position));
    return visuals_.back().get();
  }
  ProbeVisual* AtKey(const std::string& name, float key) { return Make(name, Ground(key, 0.0f)); }

  // The names written by one DrawAll, in order.
  std::vector<std::string> Frame(TDrawLayer& layer) {
    display_.ClearCalls();
    layer.DrawAll();
    return testing_display::ProbeNames(display_);
  }
  std::vector<std::string> Frame() { return Frame(layer_); }

  RecordingDisplay display_;
  TDrawLayer layer_;
  std::vector<std::unique_ptr<ProbeVisual>> visuals_;
};

using Names = std::vector<std::string>;

TEST_F(DrawLayerTest, SortedVisualsDrawInAscendingKeyOrderWhateverTheOrderOfAddition) {
  layer_.Add(AtKey("five", 5.0f), 0.0f);
  layer_.Add(AtKey("one", 1.0f), 0.0f);
  layer_.Add(AtKey("three", 3.0f), 0.0f);
  EXPECT_EQ(Frame(), (Names{"one", "three", "five"}));
  layer_.Add(AtKey("zero", 0.0f), 0.0f);
  EXPECT_EQ(Frame(), (Names{"zero", "one", "three", "five"}));
  layer_.Add(AtKey("four", 4.0f), 0.0f);
  layer_.Add(AtKey("nine", 9.0f), 0.0f);
  EXPECT_EQ(Frame(), (Names{"zero", "one", "three", "four", "five", "nine"}));
}

TEST_F(DrawLayerTest, TheKeyWeighsHeightByPointEightTwoAndAddsTheOffset) {
  struct Case {
    const char* what;
    TVector3 position;
    float offset;
    float key;
  };
  const Case cases[] = {
      {"ground point", TVector3(2.0f, 3.0f, 0.0f), 0.0f, 5.0f},
      {"height", TVector3(0.0f, 0.0f, 10.0f), 0.0f, 8.2f},
      {"offset", TVector3(1.0f, 1.0f, 0.0f), -1.5f, 0.5f},
      {"all three", TVector3(1.0f, 2.0f, 5.0f), 0.25f, 7.35f},
  };
  for (const Case& c : cases) {
    const ProbeVisual* visual = Make(c.what, c.position);
    EXPECT_FLOAT_EQ(TDrawLayer::DepthKey(*visual, c.offset), c.key) << c.what;
  }
  // A visual standing ten high sits between ground points 8.0 and 8.5 apart
  // from the origin: a weight of 0.8 or 1 would order it otherwise.
  layer_.Add(Make("tall", TVector3(0.0f, 0.0f, 10.0f)), 0.0f);
  layer_.Add(AtKey("before", 8.0f), 0.0f);
  layer_.Add(AtKey("after", 8.5f), 0.0f);
  EXPECT_EQ(Frame(), (Names{"before", "tall", "after"}));
}

TEST_F(DrawLayerTest, BackgroundVisualsDrawFirstInTheOrderTheyWereAdded) {
  layer_.Add(AtKey("sorted", 1.0f), 0.0f);
  // Far behind the sorted visual's key by their positions, yet background.
  layer_.Add(AtKey("floor b", 50.0f), -10000.0f);
  layer_.Add(AtKey("floor a", 40.0f), -10000.0f);
  // Exactly at the limit the visual is sorted: its key (20 - 9000) puts it
  // before the other sorted visual but after the background.
  layer_.Add(AtKey("limit", 20.0f), TDrawLayer::kBackgroundOffset);
  EXPECT_EQ(Frame(), (Names{"floor b", "floor a", "limit", "sorted"}));
}

TEST_F(DrawLayerTest, OnTopVisualsDrawLastAndUnlit) {
  ProbeVisual* marker = AtKey("marker", 0.0f);  // the far corner
  marker->SetOnTop();
  ProbeVisual* near = Make("near", Ground(59.0f, 59.0f));
  ProbeVisual* unlit = AtKey("unlit", 1.0f);
  unlit->SetRenderFlag(false);
  layer_.Add(marker, 0.0f);
  layer_.Add(near, 0.0f);
  layer_.Add(unlit, 0.0f);
  EXPECT_EQ(Frame(), (Names{"unlit", "near", "marker"}));
  EXPECT_EQ(near->lastLight, &layer_.GetLightGrid()) << "ordinary visuals are lit by the layer's grid";
  EXPECT_EQ(unlit->lastLight, nullptr);
  EXPECT_EQ(marker->lastLight, nullptr) << "on-top visuals are drawn without light";
  EXPECT_FLOAT_EQ(TDrawLayer::DepthKey(*marker, 0.0f), TDrawLayer::kOnTopLift);
}

TEST_F(DrawLayerTest, EqualKeysKeepTheOrderOfAdditionNotOfAddresses) {
  // Two visuals side by side in memory, added in either order.
  for (const bool reversed : {false, true}) {
    TDrawLayer layer;
    std::array<std::unique_ptr<ProbeVisual>, 2> pair{std::make_unique<ProbeVisual>(display_, "a", Ground(2.0f, 1.0f)),
                                                    std::make_unique<ProbeVisual>(display_, "b", Ground(1.0f, 2.0f))};
    const int first = reversed ? 1 : 0;
    layer.Add(pair[first].get(), 0.0f);
    layer.Add(pair[1 - first].get(), 0.0f);
    const Names expected = reversed ? Names{"b", "a"} : Names{"a", "b"};
    EXPECT_EQ(Frame(layer), expected);
    // Changed entries go back in with their place among equals kept.
    pair[0]->SetChanged(true);
    pair[1]->SetChanged(true);
    EXPECT_EQ(Frame(layer), expected);
    pair[first]->SetChanged(true);
    EXPECT_EQ(Frame(layer), expected);
  }
}

TEST_F(DrawLayerTest, OnlyVisualsThatReportAChangeMoveToTheirNewPlace) {
  TVector3 walker(1.0f, 0.0f, 0.0f);
  ProbeVisual* moving = visuals_.emplace_back(std::make_unique<ProbeVisual>(display_, "walker", &walker)).get();
  layer_.Add(moving, 0.0f);
  layer_.Add(AtKey("three", 3.0f), 0.0f);
  layer_.Add(AtKey("five", 5.0f), 0.0f);
  EXPECT_EQ(Frame(), (Names{"walker", "three", "five"}));

  walker = Ground(2.0f, 2.0f);  // key 4, flag not set by the move
  EXPECT_EQ(Frame(), (Names{"walker", "three", "five"})) << "a move without the flag keeps the old place";
  moving->SetChanged(true);
  EXPECT_EQ(Frame(), (Names{"three", "walker", "five"}));
  walker = Ground(6.0f, 0.5f);
  moving->SetChanged(true);
  EXPECT_EQ(Frame(), (Names{"three", "five", "walker"}));
  EXPECT_EQ(layer_.EntryCount(), 3u);
}

TEST_F(DrawLayerTest, ASingleSortedEntryKeepsItsKeyUntilItHasCompany) {
  ProbeVisual* lone = AtKey("lone", 5.0f);
  layer_.Add(lone, 0.0f);
  lone->SetPosition(Ground(0.0f, 0.0f));  // changed, key now 0
  EXPECT_EQ(Frame(), (Names{"lone"}));
  // The entry still carries key 5, so a visual at 3 goes before it.
  layer_.Add(AtKey("three", 3.0f), 0.0f);
  EXPECT_EQ(Frame(), (Names{"three", "lone"}));
  lone->SetChanged(true);
  EXPECT_EQ(Frame(), (Names{"lone", "three"}));
}

TEST_F(DrawLayerTest, RemovalTakesOneEntryAndLeavesTheRestInOrder) {
  ProbeVisual* twice = AtKey("twice", 2.0f);
  ProbeVisual* floorA = AtKey("floor a", 0.0f);
  layer_.Add(twice, 0.0f);
  layer_.Add(twice, 0.0f);
  layer_.Add(AtKey("one", 1.0f), 0.0f);
  layer_.Add(floorA, -10000.0f);
  layer_.Add(AtKey("floor b", 0.0f), -10000.0f);
  layer_.Add(AtKey("floor c", 0.0f), -10000.0f);
  EXPECT_EQ(Frame(), (Names{"floor a", "floor b", "floor c", "one", "twice", "twice"}));

  EXPECT_TRUE(layer_.Remove(twice));
  EXPECT_TRUE(layer_.Contains(twice));
  EXPECT_TRUE(layer_.Remove(floorA));
  EXPECT_FALSE(layer_.Contains(floorA));
  EXPECT_EQ(Frame(), (Names{"floor b", "floor c", "one", "twice"}));

  EXPECT_FALSE(layer_.Remove(floorA)) << "a visual the layer does not hold is ignored";
  EXPECT_FALSE(layer_.Remove(nullptr));
  layer_.Add(nullptr, 0.0f);
  EXPECT_EQ(layer_.EntryCount(), 4u);

  layer_.Add(twice, -10000.0f);
  EXPECT_EQ(layer_.RemoveAll(twice), 2u);
  EXPECT_FALSE(layer_.Contains(twice));
  EXPECT_EQ(Frame(), (Names{"floor b", "floor c", "one"}));
}

TEST_F(DrawLayerTest, TheLayerMovesItsLightsBeforeDrawing) {
  TLightGrid& grid = layer_.GetLightGrid();
  EXPECT_EQ(grid.CornerColumns(), TDrawLayer::kGridSquares + 1);
  for (int x = 0; x < 12; ++x) {
    for (int y = 0; y < 12; ++y) layer_.Stamp(Ground(static_cast<float>(x), static_cast<float>(y)), true);
  }
  const std::unique_ptr<TLight> light = TLight::At(Ground(2.5f, 2.5f), 1.0f);
  layer_.AddLight(light.get());
  const float lit = grid.CornerValue(3, 3);
  EXPECT_GT(lit, TLightGrid::kAmbient);
  grid.CornerValue(9, 9);  // worked out before the light comes near
  light->MoveTo(Ground(8.5f, 8.5f));
  layer_.DrawAll();
  EXPECT_EQ(grid.StoredValue(9, 9), TLightGrid::kRecompute) << "the corner under the moved light is worked out again";
  EXPECT_FLOAT_EQ(grid.CornerValue(9, 9), lit);
  EXPECT_FLOAT_EQ(grid.CornerValue(3, 3), TLightGrid::kAmbient);
  layer_.RemoveLight(light.get());

  EXPECT_FALSE(layer_.ToggleLighting());
  EXPECT_FLOAT_EQ(grid.CornerValue(9, 9), 1.0f);
  layer_.SetLighting(true);
  layer_.RecomputeAll();
  EXPECT_FLOAT_EQ(grid.CornerValue(9, 9), 0.0f);
}

}  // namespace
