// The map view's display settings and resets over the recording display:
// what the options screens request, which differences ChangeDisplay acts
// on, the order of releases and restores around a rebuild, the window of a
// mode change, and window resizes on either display.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "display/map_view.h"
#include "display/mapview/map_view_doubles.h"
#include "display/surface_cache.h"

namespace {

using testing_display::JournalWindow;
using testing_display::RecordingDisplay;
using testing_display::RecordingOptions;
using Names = std::vector<std::string>;

// A framed window's borders: 4 pixels, and a 30-pixel title bar.
const TWindowRect kFrame{4, 30, 4, 4};

struct DisplaySetup {
  bool is3D = true;
  bool fullScreen = false;
  int32_t width = 800;
  int32_t height = 600;
  TWindowRect screen{0, 0, 1920, 1080};
};

class MapViewDisplayTest : public ::testing::Test {
 protected:
  void Make(const DisplaySetup& setup = {}) {
    TMapView::Destroy();
    RecordingOptions options;
    options.is3D = setup.is3D;
    options.fullScreen = setup.fullScreen;
    options.width = setup.width;
    options.height = setup.height;
    options.journalSurfaces = true;
    auto display = std::make_unique<RecordingDisplay>(options);
    display_ = display.get();
    view_ = TMapView::Create(std::move(display));
    auto window = std::make_unique<JournalWindow>(*display_, setup.screen, kFrame);
    window_ = window.get();
    view_->SetDisplayWindow(std::move(window));
    testing_display::LoadJournalFonts(*view_->GetFontManager(), *display_);
    // Two surfaces, asked for out of key order.
    view_->GetSurface(TSurfaceKey("b.tga", nullptr));
    view_->GetSurface(TSurfaceKey("a.tga", nullptr));
    display_->ClearCalls();
  }
  void TearDown() override { TMapView::Destroy(); }

  // The journal since the last look, each call with its text when it has one.
  Names Journal() {
    Names names;
    for (const auto& call : display_->Calls()) {
      std::string name = call.operation;
      if (call.operation == "Init" || call.operation == "Resize") {
        name += " " + std::to_string(static_cast<int>(call.position.x)) + "x" +
                std::to_string(static_cast<int>(call.position.y)) + (call.flag ? " full" : "");
      } else if (!call.text.empty()) {
        name += " " + call.text;
      }
      names.push_back(name);
    }
    display_->ClearCalls();
    return names;
  }

  RecordingDisplay* display_ = nullptr;
  JournalWindow* window_ = nullptr;
  TMapView* view_ = nullptr;
};

TEST_F(MapViewDisplayTest, TheRequestedSettingsStartAsTheRunningDisplay) {
  Make({.is3D = false, .fullScreen = true, .width = 1024, .height = 768});
  EXPECT_EQ(view_->GetRequestedWidth(), 1024);
  EXPECT_EQ(view_->GetRequestedHeight(), 768);
  EXPECT_TRUE(view_->GetFullScreen(true));
  EXPECT_TRUE(view_->GetDisplayType("DIRECTDRAW_2D"));
  EXPECT_FALSE(view_->GetDisplayType("DIRECTDRAW_2"));
  EXPECT_TRUE(view_->GetTextureResolution(true));
  EXPECT_FALSE(view_->GetClearEachFrame());
  EXPECT_FALSE(view_->IsFpsShown());
  EXPECT_FALSE(view_->IsChangePending() || view_->IsModeChangePending() || view_->IsTypeChangePending());
  view_->ChangeDisplay();
  EXPECT_TRUE(Journal().empty()) << "nothing differs, nothing is rebuilt";
}

TEST_F(MapViewDisplayTest, ResolutionTextsAreTwoSizesJoinedByAComma) {
  struct ResolutionCase {
    std::string text;
    bool usable;
    int32_t width, height;
  };
  const std::vector<ResolutionCase> cases = {
      {"800,600", true, 800, 600},        {" 1024 , 768 ", true, 1024, 768}, {"1280.9,1024.2", true, 1280, 1024},
      {"800", false, 0, 0},               {"", false, 0, 0},                {"800,", false, 0, 0},
      {"wide,600", false, 0, 0},          {"-800,600", false, 0, 0},        {"800,0.5", false, 0, 0},
      {"1e30,600", false, 0, 0},          {"640,480,32", true, 640, 480},
      // No mode larger than the frame's own limits is asked for.
      {"5000,4000", true, 5000, 4000},    {"5001,600", false, 0, 0},        {"800,4001", false, 0, 0},
      {"100000,100000", false, 0, 0},
  };
  Make();
  for (const ResolutionCase& c : cases) {
    SCOPED_TRACE("\"" + c.text + "\"");
    view_->SetRequestedSize(320, 200);
    view_->SetResolution(c.text);
    const int32_t width = c.usable ? c.width : 320;
    const int32_t height = c.usable ? c.height : 200;
    EXPECT_EQ(view_->GetRequestedWidth(), width);
    EXPECT_EQ(view_->GetRequestedHeight(), height);
    EXPECT_EQ(view_->GetResolution(c.text), c.usable);
  }
  view_->SetRequestedSize(800, 600);
  EXPECT_TRUE(view_->GetResolution("800,600"));
  EXPECT_FALSE(view_->GetResolution("800,601"));
  EXPECT_FALSE(view_->GetResolution("801,600"));
}

TEST_F(MapViewDisplayTest, OnlyADifferentTextureResolutionMarksAChange) {
  Make();
  view_->SetTextureResolution(true);
  EXPECT_FALSE(view_->IsChangePending());
  view_->SetTextureResolutionFlag(false);
  EXPECT_FALSE(view_->IsChangePending()) << "the start-up setter marks nothing";
  view_->SetTextureResolution(true);
  EXPECT_TRUE(view_->IsChangePending());
  EXPECT_TRUE(view_->GetTextureResolution(true));
  EXPECT_FALSE(view_->IsModeChangePending());
  view_->ChangeDisplay();
  EXPECT_FALSE(view_->IsChangePending());
  // The rebuild reloads every surface at the new resolution.
  const Names journal = Journal();
  EXPECT_EQ(std::count(journal.begin(), journal.end(), "SurfaceRestore a.tga"), 1);
  EXPECT_EQ(std::count(journal.begin(), journal.end(), "SurfaceRestore b.tga"), 1);
}

TEST_F(MapViewDisplayTest, ChangeDisplayRebuildsOnlyForAModeChangeOfTheSameType) {
  struct ChangeCase {
    const char* name;
    bool fullScreen;       // the running display
    bool wantFullScreen;   // requested
    bool otherSize;        // a requested size unlike the display's
    bool otherType;        // a requested type unlike the display's
    bool otherTextures;    // the texture resolution switched
    bool rebuilt;
  };
  const std::vector<ChangeCase> cases = {
      {"nothing differs", false, false, false, false, false, false},
      {"window to full screen", false, true, false, false, false, true},
      {"full screen to window", true, false, false, false, false, true},
      {"full-screen size", true, true, true, false, false, true},
      {"window size", false, false, true, false, false, false},
      {"type alone", false, false, false, true, false, false},
      {"type and full screen", false, true, false, true, false, false},
      {"type and full-screen size", true, true, true, true, false, false},
      {"textures", false, false, false, false, true, true},
      {"textures and type", false, false, false, true, true, false},
  };
  for (const ChangeCase& c : cases) {
    SCOPED_TRACE(c.name);
    Make({.fullScreen = c.fullScreen});
    view_->SetFullScreen(c.wantFullScreen);
    if (c.otherSize) view_->SetResolution("1024,768");
    if (c.otherType) view_->SetDisplayType("DIRECTDRAW_2D");
    if (c.otherTextures) view_->SetTextureResolution(false);
    view_->ChangeDisplay();
    const std::vector<testing_display::RecordedCall> inits = display_->CallsOf("Init");
    const Names journal = Journal();
    const bool rebuilt = std::find(journal.begin(), journal.end(), "Shutdown") != journal.end();
    EXPECT_EQ(rebuilt, c.rebuilt);
    EXPECT_FALSE(view_->IsChangePending() || view_->IsModeChangePending() || view_->IsTypeChangePending());
    if (rebuilt) {
      ASSERT_EQ(inits.size(), 1u);
      EXPECT_EQ(inits[0].flag, c.wantFullScreen);
      EXPECT_FLOAT_EQ(inits[0].position.x, c.otherSize ? 1024.0f : 800.0f);
    }
  }
}

TEST_F(MapViewDisplayTest, FontsAndSurfacesAreReleasedBeforeAndRestoredAfterTheDisplay) {
  Make({.fullScreen = true});
  view_->SetRequestedSize(1280, 1024);
  view_->ReleaseDisplay();
  EXPECT_EQ(Journal(), (Names{"FontRelease Body", "FontRelease Title", "SurfaceRelease a.tga",
                              "SurfaceRelease b.tga", "Shutdown"}));
  view_->RestoreDisplay();
  EXPECT_EQ(Journal(), (Names{"Init 1280x1024 full", "SurfaceRestore a.tga", "SurfaceRestore b.tga",
                              "FontRestore Body", "FontRestore Title"}));
  view_->ReloadSurfaces();
  EXPECT_EQ(Journal(), (Names{"SurfaceRelease a.tga", "SurfaceRelease b.tga", "SurfaceRestore a.tga",
                              "SurfaceRestore b.tga"}));
}

TEST_F(MapViewDisplayTest, AModeChangeHidesTheWindowAndShowsItRebuilt) {
  const Names release{"FontRelease Body", "FontRelease Title", "SurfaceRelease a.tga", "SurfaceRelease b.tga",
                      "Shutdown"};
  const Names restore{"SurfaceRestore a.tga", "SurfaceRestore b.tga", "FontRestore Body", "FontRestore Title"};

  Make();
  view_->SetFullScreen(true);
  view_->SetResolution("1024,768");
  view_->ApplyDisplayMode();
  Names expected = release;
  expected.insert(expected.end(), {"WindowHide", "WindowFullScreenStyle", "Init 1024x768 full"});
  expected.insert(expected.end(), restore.begin(), restore.end());
  expected.push_back("WindowShow");
  EXPECT_EQ(Journal(), expected);

  view_->SetFullScreen(false);
  view_->ApplyDisplayMode();
  expected = release;
  expected.insert(expected.end(), {"WindowHide", "WindowFramedStyle", "Init 1024x768"});
  expected.insert(expected.end(), restore.begin(), restore.end());
  expected.insert(expected.end(), {"WindowPlace", "WindowShow"});
  EXPECT_EQ(Journal(), expected);
}

TEST_F(MapViewDisplayTest, AWindowIsCentredOnTheScreenWithItsFrameAround) {
  struct PlaceCase {
    TWindowRect screen;
    int32_t width, height;
    TWindowRect client;  // before the frame is added
  };
  const std::vector<PlaceCase> cases = {
      {{0, 0, 1920, 1080}, 800, 600, {560, 240, 1360, 840}},
      {{0, 0, 1025, 769}, 800, 600, {112, 84, 912, 684}},
      {{0, 0, 641, 480}, 800, 600, {-79, -60, 721, 540}},  // halves toward zero
      {{}, 800, 600, {0, 0, 800, 600}},                      // a screen of unknown size
  };
  for (const PlaceCase& c : cases) {
    Make({.fullScreen = true, .screen = c.screen});
    view_->SetFullScreen(false);
    view_->SetRequestedSize(c.width, c.height);
    view_->ApplyDisplayMode();
    const TWindowRect expected{c.client.left - kFrame.left, c.client.top - kFrame.top, c.client.right + kFrame.right,
                               c.client.bottom + kFrame.bottom};
    EXPECT_EQ(window_->placed, expected) << c.screen.right << " x " << c.screen.bottom;
  }
}

TEST_F(MapViewDisplayTest, AResizeRebuildsWhatTheDisplayKindLoses) {
  struct ResizeCase {
    const char* name;
    bool is3D;
    int32_t failures;  // of the next Resize calls
    Names journal;
    bool message;
  };
  const std::vector<ResizeCase> cases = {
      {"2D", false, 0,
       {"SurfaceRelease a.tga", "SurfaceRelease b.tga", "FontRelease Body", "FontRelease Title", "Resize 640x480",
        "SurfaceRestore a.tga", "SurfaceRestore b.tga", "FontRestore Body", "FontRestore Title"},
       false},
      {"3D", true, 0, {"FontRelease Body", "FontRelease Title", "Resize 640x480", "FontRestore Body", "FontRestore Title"},
       false},
      {"3D, second try", true, 1,
       {"FontRelease Body", "FontRelease Title", "Resize 640x480", "SurfaceRelease a.tga", "SurfaceRelease b.tga",
        "Resize 640x480", "SurfaceRestore a.tga", "SurfaceRestore b.tga", "FontRestore Body", "FontRestore Title"},
       false},
      {"2D, both tries fail", false, 2,
       {"SurfaceRelease a.tga", "SurfaceRelease b.tga", "FontRelease Body", "FontRelease Title", "Resize 640x480",
        "SurfaceRelease a.tga", "SurfaceRelease b.tga", "Resize 640x480", "SurfaceRestore a.tga",
        "SurfaceRestore b.tga", "FontRestore Body", "FontRestore Title"},
       true},
  };
  for (const ResizeCase& c : cases) {
    SCOPED_TRACE(c.name);
    Make({.is3D = c.is3D});
    view_->GetCamera().SetBounds(TVector3(0.0f, 0.0f, 0.0f), TVector3(100.0f, 100.0f, 0.0f));
    view_->CentreOn(TVector3(30.0f, 40.0f, 0.0f));
    TVector3 before;
    view_->GetCamera().GetViewCentre(before);
    display_->FailNextResizes(c.failures);
    display_->SetViewChanged(false);
    display_->ClearCalls();
    testing::internal::CaptureStderr();
    view_->ApplyResolution(640, 480);
    const std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_EQ(Journal(), c.journal);
    EXPECT_EQ(errors.find("Error resizing to 640x480") != std::string::npos, c.message) << errors;
    EXPECT_EQ(view_->GetScreenWidth(), c.failures < 2 ? 640 : 800);
    TVector3 after;
    view_->GetCamera().GetViewCentre(after);
    EXPECT_NEAR(after.x, before.x, 1e-4f);
    EXPECT_NEAR(after.y, before.y, 1e-4f);
    EXPECT_TRUE(display_->IsViewChanged());
  }
}

TEST_F(MapViewDisplayTest, AResizeDuringAModeChangeIsLeftToTheModeChange) {
  Make({.fullScreen = true});
  view_->SetFullScreen(false);
  // The window system reports the new window size while it is placed.
  bool resizedInside = true;
  window_->onPlace = [&] {
    display_->ClearCalls();
    view_->ApplyResolution(333, 222);
    resizedInside = !display_->CallsOf("Resize").empty();
  };
  view_->ChangeDisplay();
  EXPECT_FALSE(resizedInside);
  EXPECT_FALSE(view_->IsModeChangePending());
  view_->ApplyResolution(333, 222);
  EXPECT_EQ(view_->GetScreenWidth(), 333) << "once the change is done, resizes apply again";
}

}  // namespace
