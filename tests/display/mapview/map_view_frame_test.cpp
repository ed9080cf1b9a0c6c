// A frame driven through the map view over the recording display: the
// calls of BeginFrame, Draw, DrawFps and EndFrame, the scroll offset taken
// from the camera, the painter's order of the scene, the frame rate figure,
// and the surfaces and visual library the map view serves.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "display/image/pixel_shader.h"
#include "display/map_view.h"
#include "display/mapview/map_view_doubles.h"
#include "display/mapview/probe_visual.h"
#include "display/surface_cache.h"
#include "display/visuals/visual_library.h"

namespace {

using testing_display::ManualClock;
using testing_display::ProbeVisual;
using testing_display::RecordingDisplay;
using testing_display::RecordingOptions;
using Names = std::vector<std::string>;

RecordingOptions Options(bool is3D) {
  RecordingOptions options;
  options.is3D = is3D;
  return options;
}

class MapViewFrameTest : public ::testing::Test {
 protected:
  explicit MapViewFrameTest(bool is3D = true) {
    auto display = std::make_unique<RecordingDisplay>(Options(is3D));
    display_ = display.get();
    view_ = TMapView::Create(std::move(display));
  }
  ~MapViewFrameTest() override { TMapView::Destroy(); }

  ProbeVisual* Make(const std::string& name, const TVector3& position) {
    visuals_.push_back(std::make_unique<ProbeVisual>(*display_, name, position));
    return visuals_.back().get();
  }
  // One whole frame; the calls it made, probes by their names.
  Names Frame() {
    display_->ClearCalls();
    view_->BeginFrame();
    view_->Draw();
    view_->DrawFps();
    view_->EndFrame();
    Names names;
    for (const auto& call : display_->Calls()) names.push_back(call.operation == "DrawText" ? call.text : call.operation);
    return names;
  }

  ManualClock clock_{1000};
  RecordingDisplay* display_ = nullptr;
  TMapView* view_ = nullptr;
  std::vector<std::unique_ptr<ProbeVisual>> visuals_;
};

TEST_F(MapViewFrameTest, AFrameBeginsDrawsTheSceneAndPresents) {
  EXPECT_EQ(Frame(), (Names{"BeginFrame", "Present"}));
  Make("only", TVector3(1.0f, 1.0f, 0.0f));
  view_->AddVisual(visuals_.back().get(), 0.0f);
  EXPECT_EQ(Frame(), (Names{"BeginFrame", "only", "Present"}));
  view_->SetDrawLayers(false);
  EXPECT_EQ(Frame(), (Names{"BeginFrame", "Present"}));
}

TEST_F(MapViewFrameTest, TheSceneDrawsBackgroundFirstResortsChangedVisualsAndPutsOnTopLast) {
  TVector3 walkerAt(1.0f, 0.0f, 0.0f);
  ProbeVisual* marker = Make("marker", TVector3(0.0f, 0.0f, 0.0f));
  marker->SetOnTop();
  ProbeVisual* floor = Make("floor", TVector3(50.0f, 50.0f, 0.0f));
  ProbeVisual* tree = Make("tree", TVector3(3.0f, 0.0f, 0.0f));
  ProbeVisual* rock = Make("rock", TVector3(5.0f, 0.0f, 0.0f));
  visuals_.push_back(std::make_unique<ProbeVisual>(*display_, "walker", &walkerAt));
  ProbeVisual* walker = visuals_.back().get();
  view_->AddVisual(marker, 0.0f);
  view_->AddVisual(rock, 0.0f);
  view_->AddVisual(walker, 0.0f);
  view_->AddVisual(floor, TDrawLayer::kBackgroundOffset - 1.0f);
  view_->AddVisual(tree, 0.0f);
  EXPECT_EQ(Frame(), (Names{"BeginFrame", "floor", "walker", "tree", "rock", "marker", "Present"}));

  walkerAt = TVector3(2.0f, 2.0f, 0.0f);  // key 4, between the tree and the rock
  EXPECT_EQ(Frame(), (Names{"BeginFrame", "floor", "walker", "tree", "rock", "marker", "Present"}))
      << "an unchanged visual keeps its place";
  walker->SetChanged(true);
  EXPECT_EQ(Frame(), (Names{"BeginFrame", "floor", "tree", "walker", "rock", "marker", "Present"}));
  walkerAt = TVector3(9.0f, 0.0f, 0.0f);
  walker->SetChanged(true);
  EXPECT_EQ(Frame(), (Names{"BeginFrame", "floor", "tree", "rock", "walker", "marker", "Present"}));
}

TEST_F(MapViewFrameTest, TheScrollOffsetIsTheCameraPositionsProjectedScreenCentre) {
  struct OffsetCase {
    TVector3 position;
    float zoom;
    float x, y;
  };
  // trunc(((64 (x - y) - 64) / 2 + 0.5) z) and trunc((16 (x + y) - 47.5 - 40 h) z)
  const std::vector<OffsetCase> cases = {
      {TVector3(10.0f, 4.0f, 0.0f), 1.0f, 160.0f, 176.0f},
      {TVector3(10.0f, 4.0f, 0.0f), 2.0f, 321.0f, 353.0f},
      {TVector3(0.0f, 3.0f, 0.0f), 1.0f, -127.0f, 0.0f},  // both toward zero
      {TVector3(4.0f, 4.0f, 1.0f), 0.5f, -15.0f, 20.0f},
  };
  for (const OffsetCase& c : cases) {
    view_->SetZoomExact(c.zoom);
    view_->SetCameraPosition(c.position);
    Frame();
    EXPECT_EQ(view_->GetScrollOffset(), TVector3(c.x, c.y, 0.0f)) << c.position.x << ", " << c.position.y;
    TVector3 point(500.0f, 400.0f, 7.0f);
    view_->SubtractScrollOffset(point);
    EXPECT_EQ(point, TVector3(500.0f - c.x, 400.0f - c.y, 7.0f));
    int32_t x = 500;
    int32_t y = 400;
    view_->ToViewCoordinates(&x, &y);
    EXPECT_EQ(x, 500 - static_cast<int32_t>(c.x));
    EXPECT_EQ(y, 400 - static_cast<int32_t>(c.y));
  }
}

TEST_F(MapViewFrameTest, TheOffsetIsTakenAtBeginFrameOnly) {
  view_->SetCameraPosition(TVector3(10.0f, 4.0f, 0.0f));
  Frame();
  view_->SetCameraPosition(TVector3(20.0f, 4.0f, 0.0f));
  EXPECT_EQ(view_->GetScrollOffset(), TVector3(160.0f, 176.0f, 0.0f));
  int32_t x = 0;
  view_->ToViewCoordinates(&x, nullptr);
  EXPECT_EQ(x, -480) << "view coordinates follow the camera at once";
}

TEST_F(MapViewFrameTest, EndFrameMeetsTheZoomsRedrawRequest) {
  EXPECT_FALSE(view_->IsRedrawPending());
  view_->SetZoom(0.5f);
  EXPECT_TRUE(view_->IsRedrawPending());
  view_->BeginFrame();
  view_->Draw();
  EXPECT_TRUE(view_->IsRedrawPending());
  view_->EndFrame();
  EXPECT_FALSE(view_->IsRedrawPending());
}

TEST_F(MapViewFrameTest, TheFrameRateIsShownAndMeasuredOnlyWhileSwitchedOn) {
  EXPECT_FALSE(view_->IsFpsShown());
  for (int i = 0; i < 3; ++i) {
    clock_.now += 400;
    EXPECT_EQ(Frame(), (Names{"BeginFrame", "Present"}));
  }
  EXPECT_EQ(view_->GetFrameTimer().GetFrameCount(), 0u) << "frames are counted only while shown";

  EXPECT_TRUE(view_->ToggleFPS());
  std::vector<int32_t> shown;
  for (int i = 0; i < 18; ++i) {
    clock_.now += 40;  // 25 frames a second
    EXPECT_EQ(Frame(), (Names{"BeginFrame", "DrawFps", "Present"}));
    shown.push_back(display_->CallsOf("DrawFps").front().value);
  }
  // The first frame shows the starting rate and closes the window opened
  // when the map view was made, long ago, with itself alone (2). The next
  // window closes at the 14th frame, 520 ms on, with 13 frames (26); the
  // figure drawn is always the one measured before the frame.
  EXPECT_EQ(shown[0], static_cast<int32_t>(TMapView::kStartingFrameRate));
  EXPECT_EQ(shown[1], 2);
  EXPECT_EQ(shown[13], 2);
  EXPECT_EQ(shown[14], 26);
  EXPECT_FALSE(view_->ToggleFPS());
  EXPECT_EQ(Frame(), (Names{"BeginFrame", "Present"}));
}

TEST_F(MapViewFrameTest, SurfacesAreMadeOncePerFileAndShader) {
  const TColourSwapper swapper;
  const TOverlayShader overlay(TColour(1.0f, 0.0f, 0.0f, 1.0f));
  TSurface* plain = view_->GetSurface(TSurfaceKey("unit.tga", nullptr));
  ASSERT_NE(plain, nullptr);
  EXPECT_EQ(view_->GetSurface(TSurfaceKey("unit.tga", nullptr)), plain);
  TSurface* swapped = view_->GetSurface(TSurfaceKey("unit.tga", &swapper));
  TSurface* overlaid = view_->GetSurface(TSurfaceKey("unit.tga", &overlay));
  EXPECT_NE(swapped, plain);
  EXPECT_NE(overlaid, swapped);
  EXPECT_EQ(view_->GetSurface(TSurfaceKey("unit.tga", &swapper)), swapped);
  view_->GetSurface(TSurfaceKey("tree.tga", nullptr));
  EXPECT_EQ(display_->CallsOf("CreateSurface").size(), 4u);
  EXPECT_EQ(view_->GetSurfaceCache().GetCount(), 4);
  EXPECT_EQ(view_->GetSurfaceCache().GetLoadCount(), 4);

  view_->GetSurfaceCache().Clear();
  EXPECT_EQ(view_->GetSurfaceCache().GetCount(), 0);
  EXPECT_NE(view_->GetSurface(TSurfaceKey("unit.tga", nullptr)), nullptr);
  EXPECT_EQ(view_->GetSurfaceCache().GetLoadCount(), 5) << "after Clear the file is made again";
}

TEST_F(MapViewFrameTest, TheVisualLibraryDrawsWithTheMapViewsSurfaces) {
  TVisualLibrary* library = view_->GetVisualLibrary();
  ASSERT_NE(library, nullptr);
  EXPECT_EQ(view_->GetShapeFactory(), &library->GetShapeFactory());
  TSurface* fromLibrary = library->LoadSurface("art.tga");
  EXPECT_EQ(view_->GetSurface(TSurfaceKey("art.tga", nullptr)), fromLibrary);
  EXPECT_EQ(view_->GetSurfaceCache().GetLoadCount(), 1);
}

TEST(MapViewWithoutDisplayTest, AFrameAndItsServicesDoNothing) {
  TMapView* view = TMapView::Create(nullptr);
  ASSERT_NE(view, nullptr);
  view->ToggleFPS();
  view->BeginFrame();
  view->Draw();
  view->DrawFps();
  view->EndFrame();
  EXPECT_EQ(view->GetVisualLibrary(), nullptr);
  EXPECT_EQ(view->GetShapeFactory(), nullptr);
  EXPECT_EQ(view->GetSurface(TSurfaceKey("a.tga", nullptr)), nullptr);
  EXPECT_EQ(view->GetSurfaceCache().GetCount(), 1) << "the missing surface is remembered";
  view->ChangeDisplay();
  view->ApplyResolution(640, 480);
  view->ReleaseDisplay();
  view->RestoreDisplay();
  TMapView::Destroy();
  EXPECT_FALSE(TMapView::Exists());
}

}  // namespace
