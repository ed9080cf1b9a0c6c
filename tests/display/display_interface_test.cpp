#include <gtest/gtest.h>

#include <algorithm>

#include <memory>
#include <string>
#include <vector>

#include "display/direct_draw_display.h"
#include "display/display.h"
#include "display/pixel_format.h"
#include "display/surface.h"
#include "display/visuals/shape.h"
#include "support/quad_2d.h"
#include "support/recording_display.h"

namespace {

TEST(DisplayChoice, ThreeDNamesAreExactAndTheRestGiveTheTwoDDisplay) {
  struct Case {
    const char* name;
    bool asks3D;
  };
  const Case cases[] = {{"DD8_3D", true},          {"DD7_3D", true}, {"dd8_3d", false}, {"DD8_3D ", false},
                        {"DIRECTDRAW_2D", false}, {"", false},      {"DD9_3D", false}};
  for (const Case& c : cases) {
    EXPECT_EQ(IsDirect3DTypeName(c.name), c.asks3D) << c.name;
    // The 3D names give the 3D display on the headless device.
    const std::unique_ptr<TDisplay> display = CreateDisplay(c.name, false, 320, 200);
    ASSERT_NE(display, nullptr);
    EXPECT_TRUE(display->IsInitialised()) << c.name;
    EXPECT_EQ(display->GetTypeName(), c.asks3D ? "DD8_3D" : "DIRECTDRAW_2D") << c.name;
    EXPECT_EQ(display->GetConfigName(), c.asks3D ? "3D.cfg" : "2D.cfg");
    EXPECT_EQ(display->Is3D(), c.asks3D);
    EXPECT_EQ(display->GetWidth(), 320);
    EXPECT_EQ(display->GetHeight(), 200);
  }
}

TEST(DisplayChoice, AFreshDisplayAsksForAllGeometry) {
  const std::unique_ptr<TDisplay> display = CreateDisplay("DIRECTDRAW_2D", false, 64, 64);
  EXPECT_TRUE(display->IsViewChanged());
  EXPECT_TRUE(display->IsInitialised());
}

TEST(DirectDrawDisplay, PacksColoursIntoItsBackBufferLayout) {
  TDirectDrawDisplay display(false, 16, 16);
  const TPixelFormat* format = display.GetPixelFormat();
  ASSERT_NE(format, nullptr);
  EXPECT_EQ(format->GetBitsPerPixel(), 32u);
  EXPECT_EQ(format->PackColour(TColour(1.0f, 0.5f, 0.0f, 1.0f)), 0x00FF7F00u);
}

TEST(DirectDrawDisplay, FpsCornerIsBlanked) {
  TDirectDrawDisplay display(false, 100, 40);
  platform::SoftSurface& back = *display.GetCanvas().GetBackBuffer();
  ASSERT_EQ(back.Fill(nullptr, 0x00FFFFFFu), platform::SurfaceResult::kOk);
  display.DrawFps(30);
  EXPECT_EQ(back.GetPixel(0, 0), 0u);
  EXPECT_EQ(back.GetPixel(74, 29), 0u);
  EXPECT_EQ(back.GetPixel(75, 0), 0x00FFFFFFu);
  EXPECT_EQ(back.GetPixel(0, 30), 0x00FFFFFFu);
  // A back buffer smaller than the corner is blanked whole, and no further.
  TDirectDrawDisplay small(false, 10, 5);
  platform::SoftSurface& smallBack = *small.GetCanvas().GetBackBuffer();
  ASSERT_EQ(smallBack.Fill(nullptr, 1u), platform::SurfaceResult::kOk);
  small.DrawFps(60);
  const std::vector<uint32_t> pixels = smallBack.ToX8R8G8B8();
  EXPECT_EQ(std::count(pixels.begin(), pixels.end(), 0u), 50);
}

TEST(DirectDrawDisplay, QuadPlacementClassifiesCopies) {
  struct Case {
    const char* what;
    Quad2D quad;
    int32_t surfaceWidth, surfaceHeight;
    int32_t expected;
  };
  const Case cases[] = {
      {"inside, unscaled", QuadAt(0, 0, 64, 32), 64, 32, 2},
      {"one pixel left of the buffer", QuadAt(-1, 0, 63, 32), 64, 32, 1},
      {"scaled twice", QuadAt(0, 0, 128, 64), 64, 32, 1},
      {"scaled by one pixel only", QuadAt(0, 0, 65, 33), 64, 32, 2},
      {"wholly right of the buffer", QuadAt(800, 0, 864, 32), 64, 32, 0},
      {"wholly above", QuadAt(0, -40, 64, 0), 64, 32, 0},
      {"touching the right edge", QuadAt(736, 0, 800, 32), 64, 32, 1},
      {"empty source", QuadAt(0, 0, 64, 32, 0.0f, 1.0f), 64, 32, 0},
      {"inverted destination", QuadAt(64, 32, 10, 40), 64, 32, 0},
      {"far beyond the int range", QuadAt(-1e20f, -1e20f, 1e20f, 1e20f), 64, 32, 1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ClassifyQuadBlit(c.quad, c.surfaceWidth, c.surfaceHeight, 800, 600), c.expected) << c.what;
  }
  TDirectDrawDisplay display(false, 800, 600);
  testing_display::RecordedSurface surface(TSurfaceKey("a.tga", nullptr), 64, 32);
  const Quad2D inside = QuadAt(0, 0, 64, 32);
  EXPECT_EQ(display.BlitQuad(&inside, &surface), 2);
  EXPECT_EQ(display.BlitQuad(&inside, nullptr), 0);
}

TEST(SurfaceKey, OrdersByNameThenShader) {
  const TColourSwapper swapper;
  const TOverlayShader overlay;
  const TSurfaceKey plain("a.tga", nullptr);
  const TSurfaceKey swapped("a.tga", &swapper);
  const TSurfaceKey overlaid("a.tga", &overlay);
  const TSurfaceKey longer("a.tga2", nullptr);
  const TSurfaceKey high("\xE9.tga", nullptr);
  EXPECT_TRUE(plain < swapped);
  EXPECT_FALSE(swapped < plain);
  EXPECT_TRUE(swapped < overlaid);
  EXPECT_FALSE(plain < TSurfaceKey("a.tga", nullptr));
  EXPECT_TRUE(overlaid < longer);
  // Names compare as unsigned bytes.
  EXPECT_TRUE(longer < high);

  TSurfaceKey copy(overlaid);
  ASSERT_NE(copy.GetShader(), nullptr);
  EXPECT_NE(copy.GetShader(), overlaid.GetShader());
  EXPECT_STREQ(copy.GetShader()->GetTypeName(), "OverlayShader");
  copy = plain;
  EXPECT_EQ(copy.GetShader(), nullptr);
  EXPECT_EQ(copy.GetFileName(), "a.tga");
}

TEST(RecordingDisplay, RecordsCallsInOrderAndAnswersAsConfigured) {
  testing_display::RecordingOptions options;
  options.is3D = true;
  options.viewportOrigin = TVector3(10.0f, 20.0f, 0.0f);
  testing_display::RecordingDisplay display(options);
  EXPECT_EQ(display.GetTypeName(), "DD8_3D");
  EXPECT_EQ(display.GetConfigName(), "3D.cfg");
  EXPECT_TRUE(display.Is3D());
  display.ClearCalls();
  display.BeginFrame();
  display.DrawFps(25);
  std::unique_ptr<TSurface> surface = display.CreateSurface(TSurfaceKey("Art/x.tga", nullptr));
  display.Present();
  EXPECT_EQ(display.Operations(),
            (std::vector<std::string>{"BeginFrame", "DrawFps", "CreateSurface", "Present"}));
  EXPECT_EQ(display.CallsOf("DrawFps")[0].value, 25);
  EXPECT_EQ(display.CallsOf("CreateSurface")[0].text, "Art/x.tga");
  EXPECT_EQ(surface->GetWidth(), 64);
  float x = 15.0f;
  float y = 25.0f;
  display.ToViewport(&x, &y);
  EXPECT_FLOAT_EQ(x, 5.0f);
  EXPECT_FLOAT_EQ(y, 5.0f);
  EXPECT_TRUE(display.IsOffScreen(TVector3(-20.0f, 0.0f, 0.0f), 10.0f, 10.0f));
  EXPECT_FALSE(display.IsOffScreen(TVector3(-5.0f, 0.0f, 0.0f), 10.0f, 10.0f));
  EXPECT_FLOAT_EQ(display.GetStringWidth("abc"), 24.0f);
}

}  // namespace
