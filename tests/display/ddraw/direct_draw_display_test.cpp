#include "display/direct_draw_display.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/vector3.h"
#include "display/colour.h"
#include "display/ddraw/direct_draw_surface.h"
#include "display/ddraw/direct_draw_visual_builders.h"
#include "display/ddraw/direct_draw_visuals.h"
#include "display/ddraw/picture_files.h"
#include "display/surface_cache.h"
#include "display/visuals/bar_visual.h"
#include "display/text/glyph_surface.h"
#include "display/visuals/visual_library.h"
#include "support/temp_folder.h"

namespace {

using ddraw_test::TPicture;
using ddraw_test::TRgba;
using platform::SurfaceResult;

// What the display asks of the map view, set by each test.
class TFakeHost : public TDirectDrawHost {
 public:
  float GetZoom() const override { return zoom; }
  bool GetClearEachFrame() const override { return clearEachFrame; }
  void SubtractScrollOffset(TVector3& point) const override {
    point.x -= scroll.x;
    point.y -= scroll.y;
  }
  void ToViewCoordinates(float& x, float& y) const override {
    x -= originX;
    y -= originY;
  }
  void ReloadSurfaces() override { ++reloads; }

  float zoom = 1.0f;
  bool clearEachFrame = false;
  TVector3 scroll;
  float originX = 0.0f;
  float originY = 0.0f;
  int32_t reloads = 0;
};

// A picture whose every pixel is a different opaque colour (never the key).
TPicture Gradient(int32_t width, int32_t height) {
  TPicture picture(static_cast<std::size_t>(height), std::vector<TRgba>(static_cast<std::size_t>(width)));
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      picture[y][x] = TRgba{static_cast<uint8_t>(8 * x % 256), static_cast<uint8_t>(8 * y % 256), 40, 255};
    }
  }
  return picture;
}

TPicture Solid(int32_t width, int32_t height, TRgba colour) {
  return TPicture(static_cast<std::size_t>(height), std::vector<TRgba>(static_cast<std::size_t>(width), colour));
}

constexpr const char* kDefinitions =
    "# visuals of the display tests\n"
    "[Floor]\n"
    "DirectDrawFloor | Art/floor.tga | 64, 48 | 0,0,1,1 | 0\n"
    "[Terrain]\n"
    "DirectDrawTerrain | Art/floor.tga | 64, 48 | 0,0,1,1\n"
    "[Sprite]\n"
    "DirectDrawSprite | Art/sprite.tga | 40, 60 | 0,0,1,1 | 0.5, 1.0\n"
    "[Picture]\n"
    "DirectDrawPicture | Art/keyed.tga | 8, 4 | 0,0,1,1 | 0, 0\n"
    "[Bar]\n"
    "DirectDrawWorldBar | 0, 0 | 6, 0 | 3 | 1, 1, 1, 1\n";

// Each test works in a temporary folder with a 320 x 240 display of the
// depth given, the fake map view and a visual library over it.
class DisplayTest : public ::testing::TestWithParam<uint32_t> {
 protected:
  void SetUp() override {
    std::filesystem::create_directories("Art");
    ASSERT_TRUE(ddraw_test::WriteTga("Art/floor", Gradient(64, 48), 24));
    ASSERT_TRUE(ddraw_test::WriteTga("Art/sprite", Gradient(40, 60), 24));
    ASSERT_TRUE(ddraw_test::WriteTga("Art/red", Solid(64, 48, {255, 0, 0, 255}), 24));
    ASSERT_TRUE(ddraw_test::WriteTga("Art/sheet", Solid(256, 256, {0, 255, 0, 255}), 24));
    // Blue is the key; alpha 100 lies on the checkerboard, 20 is always cut.
    TPicture keyed = Solid(8, 4, {255, 255, 255, 255});
    keyed[0][1] = {0, 0, 255, 255};
    keyed[1][1] = {255, 255, 255, 100};
    keyed[1][2] = {255, 255, 255, 100};
    keyed[2][0] = {255, 255, 255, 20};
    ASSERT_TRUE(ddraw_test::WriteTga("Art/keyed", keyed, 32));
    Open(GetParam());
  }

  void Open(uint32_t bits) {
    TDirectDrawDisplayOptions options;
    options.bitsPerPixel = bits;
    auto host = std::make_unique<TFakeHost>();
    host_ = host.get();
    options.host = std::move(host);
    options.fatal = [this](const std::string& message) { fatal_.push_back(message); };
    options.sleep = [this](uint32_t milliseconds) { slept_.push_back(milliseconds); };
    library_.reset();
    surfaces_.reset();
    display_ = std::make_unique<TDirectDrawDisplay>(false, 320, 240, std::move(options));
    surfaces_ = std::make_unique<TSurfaceCache>(display_.get());
    library_ = std::make_unique<TVisualLibrary>("2D.cfg", surfaces_.get());
    RegisterDirectDrawVisuals(*library_, *display_);
    library_->SetDefinitionText("Interface", kDefinitions);
  }

  void TearDown() override {
    library_.reset();
    surfaces_.reset();
    display_.reset();
  }

  std::unique_ptr<TVisual> Build(const std::string& name, TVector3 at, bool onTop) {
    std::unique_ptr<TVisual> visual = library_->BuildVisual(&at, true, name, "Interface", nullptr);
    if (visual != nullptr && onTop) visual->SetOnTop();
    return visual;
  }

  // The colour as the pictures are loaded: each channel cut to its bits.
  uint32_t Packed(TRgba c) const {
    if (GetParam() == 32) return uint32_t{c.r} << 16 | uint32_t{c.g} << 8 | c.b;
    return uint32_t{c.r} >> 3 << 11 | uint32_t{c.g} >> 2 << 5 | uint32_t{c.b} >> 3;
  }

  uint32_t Back(int32_t x, int32_t y) const { return display_->GetBackBuffer()->GetPixel(x, y); }
  void Fill(uint32_t value) { ASSERT_EQ(display_->GetCanvas().GetBackBuffer()->Fill(nullptr, value), SurfaceResult::kOk); }

  // Every back-buffer pixel: the picture pixel `from` names, or 0.
  template <typename TFrom>
  void ExpectFrame(const TPicture& picture, TFrom from, const std::string& what) {
    for (int32_t y = 0; y < display_->GetHeight(); ++y) {
      for (int32_t x = 0; x < display_->GetWidth(); ++x) {
        int32_t sx = 0;
        int32_t sy = 0;
        const uint32_t expected = from(x, y, sx, sy) ? Packed(picture[sy][sx]) : 0u;
        ASSERT_EQ(Back(x, y), expected) << what << " at (" << x << ", " << y << ")";
      }
    }
  }

  int32_t Count(uint32_t value) const {
    int32_t count = 0;
    for (int32_t y = 0; y < display_->GetHeight(); ++y) {
      for (int32_t x = 0; x < display_->GetWidth(); ++x) count += Back(x, y) == value ? 1 : 0;
    }
    return count;
  }

  TTempFolder folder_;
  TFakeHost* host_ = nullptr;
  std::vector<std::string> fatal_;
  std::vector<uint32_t> slept_;
  std::unique_ptr<TDirectDrawDisplay> display_;
  std::unique_ptr<TSurfaceCache> surfaces_;
  std::unique_ptr<TVisualLibrary> library_;
};

TEST_P(DisplayTest, VisualsLandOnTheirPixelsByTheFastCopy) {
  struct Case {
    const char* name;
    TVector3 position;
    bool onTop;
    int32_t left, top;  // where the picture's first pixel lands
    int32_t width, height;
  };
  // Floors stand on (width / 2, height - 16) and sprites on their anchor,
  // both half a pixel up and left; projected positions then lose the view
  // origin (10, 20). World (4, 2) projects to (64, 112).
  const Case cases[] = {
      {"Floor", {100.0f, 200.0f, 0.0f}, true, 67, 167, 64, 48},
      {"Terrain", {100.0f, 200.0f, 0.0f}, true, 67, 167, 64, 48},
      {"Floor", {4.0f, 2.0f, 0.0f}, false, 64 - 32 - 10 - 1, 112 - 32 - 20 - 1, 64, 48},
      {"Sprite", {4.0f, 2.0f, 0.0f}, false, 64 - 20 - 10 - 1, 112 - 60 - 20 - 1, 40, 60},
      {"Sprite", {150.0f, 100.0f, 0.0f}, true, 129, 39, 40, 60},
  };
  host_->originX = 10.0f;
  host_->originY = 20.0f;
  for (const Case& c : cases) {
    Fill(0);
    const std::unique_ptr<TVisual> visual = Build(c.name, c.position, c.onTop);
    ASSERT_NE(visual, nullptr) << c.name;
    visual->Draw(TVector3(), nullptr);
    EXPECT_EQ(dynamic_cast<TDirectDrawQuadVisual*>(visual.get())->GetPlacement(), 2) << c.name;
    const TPicture picture = Gradient(c.width, c.height);
    // The fast copy takes the picture whole, last column and row included.
    ExpectFrame(
        picture,
        [&c](int32_t x, int32_t y, int32_t& sx, int32_t& sy) {
          sx = x - c.left;
          sy = y - c.top;
          return sx >= 0 && sy >= 0 && sx < c.width && sy < c.height;
        },
        c.name);
  }
  EXPECT_TRUE(fatal_.empty());
}

TEST_P(DisplayTest, ClippedCopiesLeaveOutTheLastColumnAndRow) {
  // On top at (20, 100) the floor's quad starts at (-12.5, 67.5): clipped on
  // the left, and its last column and row are not copied.
  const std::unique_ptr<TVisual> floor = Build("Floor", {20.0f, 100.0f, 0.0f}, true);
  floor->Draw(TVector3(), nullptr);
  EXPECT_EQ(dynamic_cast<TDirectDrawQuadVisual*>(floor.get())->GetPlacement(), 1);
  const TPicture picture = Gradient(64, 48);
  ExpectFrame(
      picture,
      [](int32_t x, int32_t y, int32_t& sx, int32_t& sy) {
        sx = x + 13;
        sy = y - 67;
        return x < 50 && sy >= 0 && sy < 47;
      },
      "left edge");
  // Reaching past the right edge, the copy stops at the second last column.
  Fill(0);
  const std::unique_ptr<TVisual> right = Build("Floor", {300.0f, 100.0f, 0.0f}, true);
  right->Draw(TVector3(), nullptr);
  ExpectFrame(
      picture,
      [](int32_t x, int32_t y, int32_t& sx, int32_t& sy) {
        sx = x - 267;
        sy = y - 67;
        return sx >= 0 && x < 319 && sy >= 0 && sy < 47;
      },
      "right edge");
}

TEST_P(DisplayTest, KeyAndAlphaCheckerboardLeaveTheFrameBehind) {
  const uint32_t grey = Packed({90, 90, 90, 255});
  Fill(grey);
  const std::unique_ptr<TVisual> picture = Build("Picture", {30.0f, 40.0f, 0.0f}, false);
  picture->Draw(TVector3(), nullptr);
  const uint32_t white = Packed({255, 255, 255, 255});
  // A picture is placed on its position exactly, at every zoom.
  EXPECT_EQ(Back(30, 40), white);
  EXPECT_EQ(Back(31, 40), grey) << "the key colour";
  EXPECT_EQ(Back(30, 42), grey) << "alpha below 63";
  EXPECT_EQ(Back(31, 41), grey) << "alpha 100 with x + y even in the picture";
  EXPECT_EQ(Back(32, 41), white) << "alpha 100 with x + y odd in the picture";
  EXPECT_EQ(Back(37, 43), white) << "last column and row by the fast copy";
  EXPECT_EQ(Back(38, 40), grey);
  EXPECT_EQ(Back(29, 40), grey);
}

TEST_P(DisplayTest, ZoomHalfShowsTheReducedCopies) {
  library_->SetDefinitionText("Interface",
                              "# reduced\n[Red]\nDirectDrawFloor | Art/red.tga | 64, 48 | 0,0,1,1 | 0\n");
  library_->SetMapViewDataText("# sheets\n[MapView Data]\nArt\\red.tga = 0, 0, Art/sheet.tga\n");
  const std::unique_ptr<TVisual> floor = Build("Red", {100.0f, 100.0f, 0.0f}, true);
  const uint32_t red = Packed({255, 0, 0, 255});
  const uint32_t green = Packed({0, 255, 0, 255});
  struct Step {
    float zoom;
    int32_t reds, greens;
  };
  // Zooms within 0.0001 of 1 keep the full picture.
  const Step steps[] = {{0.5f, 0, 32 * 24}, {1.0f, 64 * 48, 0}, {1.00005f, 64 * 48, 0}, {0.9998f, 0, 32 * 24}};
  for (const Step& step : steps) {
    Fill(0);
    host_->zoom = step.zoom;
    display_->SetViewChanged(true);
    floor->Draw(TVector3(), nullptr);
    EXPECT_EQ(Count(red), step.reds) << step.zoom;
    EXPECT_EQ(Count(green), step.greens) << step.zoom;
  }
}

// A floor tile of a 256 x 256 sheet shows, at zoom 0.5, the half-size part of
// the map-view sheet its index entry places: its texture rectangle halved and
// moved by the entry's offset, copied whole; on top, the full-size floor
// anchor still places it.
TEST_P(DisplayTest, ZoomHalfCopiesTheReducedTileFromItsPlaceOnTheMapViewSheet) {
  TPicture mapView = Solid(256, 256, {0, 0, 0, 255});
  for (int32_t y = 0; y < 256; ++y) {
    for (int32_t x = 0; x < 256; ++x) mapView[y][x] = TRgba{static_cast<uint8_t>(x), static_cast<uint8_t>(y), 40, 255};
  }
  ASSERT_TRUE(ddraw_test::WriteTga("Art/mapView", mapView, 24));
  library_->SetDefinitionText(
      "Interface", "# reduced\n[Tile]\nDirectDrawFloor | Art/sheet.tga | 64, 32 | 0.25, 0.125, 0.5, 0.25 | 0\n");
  library_->SetMapViewDataText("# sheets\n[MapView Data]\nArt\\sheet.tga = 64, 32, Art/mapView.tga\n");
  const std::unique_ptr<TVisual> floor = Build("Tile", {100.0f, 100.0f, 0.0f}, true);
  ASSERT_NE(floor, nullptr);
  host_->zoom = 0.5f;
  display_->SetViewChanged(true);
  floor->Draw(TVector3(), nullptr);
  EXPECT_EQ(dynamic_cast<TDirectDrawQuadVisual*>(floor.get())->GetPlacement(), 2);
  // Floor anchor (32, 16), half a pixel up and left. On the map-view sheet
  // the tile (64, 32)-(128, 64) is (32, 16)-(64, 32), moved by (64, 32).
  constexpr int32_t kLeft = 100 - 32 - 1;
  constexpr int32_t kTop = 100 - 16 - 1;
  ExpectFrame(
      mapView,
      [](int32_t x, int32_t y, int32_t& sx, int32_t& sy) {
        sx = x - kLeft + 32 + 64;
        sy = y - kTop + 16 + 32;
        return x >= kLeft && y >= kTop && x < kLeft + 32 && y < kTop + 16;
      },
      "reduced copy");
  EXPECT_TRUE(fatal_.empty());
}

TEST_P(DisplayTest, LinesStopBeforeTheirEndAndBlackIsACheckerboard) {
  struct Point {
    int32_t x, y;
  };
  struct Case {
    const char* what;
    int32_t x0, y0, x1, y1, thickness;
    bool black;
    std::vector<Point> drawn;
  };
  const std::vector<Case> cases = {
      {"equal ends", 10, 10, 10, 10, 5, false, {}},
      {"thin", 0, 0, 4, 0, 1, false, {{0, 0}, {1, 0}, {2, 0}, {3, 0}}},
      {"thick, row -1 outside", 0, 0, 4, 0, 3, false, {{0, 0}, {1, 0}, {2, 0}, {3, 0}, {0, 1}, {1, 1}, {2, 1}, {3, 1}}},
      {"steep spreads sideways", 5, 5, 5, 7, 3, false, {{4, 5}, {5, 5}, {6, 5}, {4, 6}, {5, 6}, {6, 6}}},
      {"black on odd x + y only", 0, 0, 6, 0, 1, true, {{1, 0}, {3, 0}, {5, 0}}},
      {"off the right edge", 317, 3, 325, 3, 1, false, {{317, 3}, {318, 3}, {319, 3}}},
  };
  const uint32_t white = Packed({255, 255, 255, 255});
  for (const Case& c : cases) {
    // Black lines are looked for on white.
    Fill(c.black ? white : 0u);
    const uint32_t ink = c.black ? 0u : white;
    display_->DrawLine(c.x0, c.y0, c.x1, c.y1, c.thickness, ink);
    int32_t inked = 0;
    for (int32_t y = 0; y < 240; ++y) {
      for (int32_t x = 0; x < 320; ++x) inked += Back(x, y) == ink ? 1 : 0;
    }
    EXPECT_EQ(inked, static_cast<int32_t>(c.drawn.size())) << c.what;
    for (const Point& p : c.drawn) EXPECT_EQ(Back(p.x, p.y), ink) << c.what << " (" << p.x << ", " << p.y << ")";
  }
}

TEST_P(DisplayTest, WorldBarsDrawAsThickLines) {
  const std::unique_ptr<TVisual> bar = Build("Bar", TVector3(), true);
  ASSERT_NE(bar, nullptr);
  // On top the corners are screen points moved by the offset: (10, 10) to
  // (16, 10), three pixels thick.
  bar->Draw(TVector3(10.0f, 10.0f, 0.0f), nullptr);
  const uint32_t white = Packed({255, 255, 255, 255});
  EXPECT_EQ(Count(white), 18);
  for (int32_t x = 10; x < 16; ++x) {
    for (int32_t y = 9; y <= 11; ++y) EXPECT_EQ(Back(x, y), white) << x << ", " << y;
  }
  EXPECT_EQ(Back(16, 10), 0u);
}

TEST_P(DisplayTest, BarVisualsScaleTheirLengthButNotTheirThickness) {
  struct Case {
    const char* what;
    TVector3 position;
    bool onTop;
    float zoom;
    int32_t left, top, length;  // the first point, and the points along
  };
  // World (2, 0) projects to (64, 48), less the scroll offset (10, 8).
  const Case cases[] = {
      {"on top, zoom 1", {20.0f, 20.0f, 0.0f}, true, 1.0f, 20, 20, 10},
      {"on top, zoom 0.5", {20.0f, 20.0f, 0.0f}, true, 0.5f, 20, 20, 5},
      {"world position", {2.0f, 0.0f, 0.0f}, false, 1.0f, 54, 40, 10},
  };
  host_->scroll = TVector3(10.0f, 8.0f, 0.0f);
  const uint32_t white = Packed({255, 255, 255, 255});
  for (const Case& c : cases) {
    Fill(0);
    host_->zoom = c.zoom;
    TBarVisual bar(nullptr, true, TVector3(2.0f, 0.0f, 0.0f), TVector3(10.0f, 3.0f, 0.0f),
                   std::make_unique<TColour>(1.0f, 1.0f, 1.0f, 1.0f), false);
    display_->DrawVisual(&bar, c.position, c.onTop);
    EXPECT_EQ(Count(white), c.length * 3) << c.what;
    EXPECT_EQ(Back(c.left, c.top - 1), white) << c.what;
    EXPECT_EQ(Back(c.left + c.length - 1, c.top + 1), white) << c.what;
    EXPECT_EQ(Back(c.left + c.length, c.top), 0u) << c.what;
  }
  // A bar without a colour draws nothing, not black.
  Fill(white);
  TBarVisual plain(nullptr, true, TVector3(1.0f, 0.0f, 0.0f), TVector3(10.0f, 3.0f, 0.0f), nullptr, false);
  display_->DrawVisual(&plain, TVector3(20.0f, 20.0f, 0.0f), true);
  EXPECT_EQ(Count(white), 320 * 240);
}

TEST_P(DisplayTest, QueuedTextIsDrawnAtPresentAndKeepsItsScale) {
  const std::string font = display_->GetTextCellHeight() > 0 ? "yes" : "";
  if (font.empty()) GTEST_SKIP() << "no font file for Arial";
  const uint32_t white = Packed({255, 255, 255, 255});
  display_->DrawText("  HH\n", 20, 30, TColour(1.0f, 1.0f, 1.0f, 1.0f));
  display_->SetTextScale(2.0f);
  display_->DrawText("HH", 20, 100, TColour(1.0f, 1.0f, 1.0f, 1.0f));
  display_->SetTextScale(1.0f);
  EXPECT_EQ(Count(white), 0) << "nothing is drawn before present";
  display_->Present();
  EXPECT_EQ(display_->QueuedTextCount(), 0u);
  // The second text changed the font, and the change stays.
  EXPECT_FLOAT_EQ(display_->GetTextScale(), 2.0f);
  EXPECT_EQ(display_->GetTextCellHeight(), 32);
  // Each text's ink lies within its cell: 16 rows from y 30, 32 from y 100;
  // blanks at the start were trimmed, so the ink starts near x 20.
  int32_t firstTop = 1000, firstBottom = -1, secondTop = 1000, secondBottom = -1, left = 1000;
  for (int32_t y = 0; y < 240; ++y) {
    for (int32_t x = 0; x < 320; ++x) {
      if (Back(x, y) != white) continue;
      left = std::min(left, x);
      if (y < 90) {
        firstTop = std::min(firstTop, y);
        firstBottom = std::max(firstBottom, y);
      } else {
        secondTop = std::min(secondTop, y);
        secondBottom = std::max(secondBottom, y);
      }
    }
  }
  ASSERT_GE(firstBottom, 0);
  ASSERT_GE(secondBottom, 0);
  EXPECT_GE(firstTop, 30);
  EXPECT_LT(firstBottom, 46);
  EXPECT_GE(secondTop, 100);
  EXPECT_LT(secondBottom, 132);
  EXPECT_GT(secondBottom - secondTop, firstBottom - firstTop + 4);
  EXPECT_GE(left, 20);
  EXPECT_LT(left, 24);
  // The frame shown is the back buffer.
  EXPECT_EQ(display_->GetPresenter().LastWidth(), 320);
  EXPECT_EQ(display_->GetPresenter().LastFrame()[static_cast<std::size_t>(firstTop * 320 + 20)],
            display_->GetBackBuffer()->GetPixelX8R8G8B8(20, firstTop));
}

TEST_P(DisplayTest, TextScaleAndMeasuring) {
  if (display_->GetTextCellHeight() == 0) GTEST_SKIP() << "no font file for Arial";
  EXPECT_EQ(display_->GetTextCellHeight(), 16);
  display_->SetTextScale(1.0005f);
  EXPECT_FLOAT_EQ(display_->GetTextScale(), 1.0f);
  display_->SetTextScale(1.5f);
  EXPECT_EQ(display_->GetTextCellHeight(), 24);
  EXPECT_FLOAT_EQ(display_->GetTextHeight("abc"), 24.0f);
  EXPECT_FLOAT_EQ(display_->GetTextWidth("abcdefg", 2, 5), display_->GetStringWidth("cde"));
  EXPECT_GT(display_->GetStringWidth("cde"), 0.0f);
}

TEST_P(DisplayTest, GlyphCopiesWriteInkInTheGlyphColourClippedToTheFrame) {
  TGlyphSurface glyphs;
  glyphs.width = 4;
  glyphs.height = 2;
  glyphs.ink = {1, 0, 1, 1, 0, 1, 0, 1};
  glyphs.colour = TColour(1.0f, 0.0f, 0.0f, 1.0f);
  // Through the interface the display fonts find on the current display.
  TGlyphSurfaceTarget& target = *display_;
  target.BlitGlyphs(glyphs, {0, 0, 4, 2}, {317, 5, 321, 7});
  const uint32_t red = Packed({255, 0, 0, 255});
  EXPECT_EQ(Back(317, 5), red);
  EXPECT_EQ(Back(318, 5), 0u);
  EXPECT_EQ(Back(319, 5), red);
  EXPECT_EQ(Back(317, 6), 0u);
  EXPECT_EQ(Back(318, 6), red);
  EXPECT_EQ(Count(red), 3) << "the column past the frame is cut";
}

TEST_P(DisplayTest, LostBackBufferIsRestoredAndPicturesReloaded) {
  display_->SetViewChanged(false);
  display_->GetCanvas().GetSurfaceDevice()->LoseSurfaces();
  display_->GetCanvas().GetSurfaceDevice()->FailRestores(2);
  display_->Present();
  EXPECT_TRUE(fatal_.empty());
  EXPECT_EQ(slept_, (std::vector<uint32_t>{500, 500, 500}));
  EXPECT_EQ(host_->reloads, 1);
  EXPECT_TRUE(display_->IsViewChanged());
  EXPECT_FALSE(display_->GetBackBuffer()->IsLost());
  // Clearing a lost back buffer restores it at once.
  display_->GetCanvas().GetSurfaceDevice()->LoseSurfaces();
  display_->Clear();
  EXPECT_TRUE(fatal_.empty());
  EXPECT_FALSE(display_->GetBackBuffer()->IsLost());
}

TEST_P(DisplayTest, BackBufferThatStaysLostIsFatal) {
  display_->GetCanvas().GetSurfaceDevice()->LoseSurfaces();
  display_->GetCanvas().GetSurfaceDevice()->FailRestores(TDirectDrawDisplay::kRestoreAttempts);
  display_->Present();
  EXPECT_EQ(slept_.size(), 20u);
  EXPECT_EQ(fatal_, (std::vector<std::string>{"Failed to update render target."}));
  EXPECT_EQ(host_->reloads, 0);
  // Clearing reports a restore that fails with its own result.
  fatal_.clear();
  display_->GetCanvas().GetSurfaceDevice()->LoseSurfaces();
  display_->GetCanvas().GetSurfaceDevice()->FailRestores(1);
  display_->Clear();
  EXPECT_EQ(fatal_, (std::vector<std::string>{"Clearing back buffer failed"}));
}

TEST_P(DisplayTest, BeginFrameClearsOnlyWhenTheMapViewAsks) {
  const uint32_t grey = Packed({90, 90, 90, 255});
  Fill(grey);
  display_->BeginFrame();
  EXPECT_EQ(Back(5, 5), grey);
  host_->clearEachFrame = true;
  display_->BeginFrame();
  EXPECT_EQ(Back(5, 5), 0u);
}

INSTANTIATE_TEST_SUITE_P(Depths, DisplayTest, ::testing::Values(32u, 16u),
                         [](const ::testing::TestParamInfo<uint32_t>& info) {
                           return info.param == 32 ? std::string("X8R8G8B8") : std::string("R5G6B5");
                         });

TEST(DirectDrawDisplayFormat, SixteenBitModeIsFiveSixFiveAndOtherDepthsAreFatal) {
  TDirectDrawDisplayOptions options;
  options.bitsPerPixel = 16;
  options.host = std::make_unique<TFakeHost>();
  TDirectDrawDisplay display(false, 32, 16, std::move(options));
  const TPixelFormat* format = display.GetPixelFormat();
  EXPECT_EQ(format->GetBitsPerPixel(), 16u);
  EXPECT_EQ(format->GetMask(TPixelFormat::kRed), 0xF800u);
  EXPECT_EQ(format->GetMask(TPixelFormat::kGreen), 0x07E0u);
  EXPECT_EQ(format->GetMask(TPixelFormat::kBlue), 0x001Fu);
  EXPECT_EQ(format->PackColour(TColour(1.0f, 0.5f, 0.0f, 1.0f)), 0xFBE0u);

  std::vector<std::string> fatal;
  TDirectDrawDisplayOptions bad;
  bad.bitsPerPixel = 24;
  bad.host = std::make_unique<TFakeHost>();
  bad.fatal = [&fatal](const std::string& message) { fatal.push_back(message); };
  TDirectDrawDisplay refused(false, 32, 16, std::move(bad));
  EXPECT_EQ(fatal, (std::vector<std::string>{"Failed to set display mode."}));
  EXPECT_EQ(refused.GetBackBuffer(), nullptr);
  // Without a back buffer every drawing call is a no-op.
  refused.Clear();
  refused.DrawLine(0, 0, 5, 5, 1, 1);
  refused.Present();
}

TEST(DirectDrawDisplayFormat, DisplayTypeAndDepthSettingChooseTheDisplay) {
  for (const char* name : {"DIRECTDRAW_2D", "dd8_3d", "anything"}) {
    const std::unique_ptr<TDisplay> display = CreateDisplay(name, false, 40, 30);
    EXPECT_EQ(display->GetTypeName(), "DIRECTDRAW_2D") << name;
    EXPECT_EQ(display->GetConfigName(), "2D.cfg") << name;
    EXPECT_EQ(display->GetPixelFormat()->GetBitsPerPixel(), 32u) << name;
  }
  ::setenv("DVX_DISPLAY_DEPTH", "16", 1);
  const std::unique_ptr<TDisplay> display = CreateDisplay("DIRECTDRAW_2D", false, 40, 30);
  ::unsetenv("DVX_DISPLAY_DEPTH");
  EXPECT_EQ(display->GetPixelFormat()->GetBitsPerPixel(), 16u);
}

TEST(DirectDrawDisplayFormat, ErrorTextsAndTheFatalExitStatus) {
  EXPECT_EQ(DirectDrawErrorText(SurfaceResult::kOk), "");
  EXPECT_EQ(DirectDrawErrorText(SurfaceResult::kLost),
            "Access to the surface is refused because the surface memory is gone.");
  EXPECT_EQ(DirectDrawErrorText(SurfaceResult::kOutOfMemory), "Not enough memory to perform the operation.");
  EXPECT_EXIT(
      {
        TDirectDrawDisplayOptions options;
        options.host = std::make_unique<TFakeHost>();
        TDirectDrawDisplay display(false, 16, 16, std::move(options));
        display.ReportError(SurfaceResult::kOk, "not a failure");
        display.ReportError(SurfaceResult::kLost, "Failed Blit");
      },
      ::testing::ExitedWithCode(1), "");
}

}  // namespace
