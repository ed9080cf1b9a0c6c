#include <gtest/gtest.h>

#include "display/colour.h"
#include "display/d3d/counting_device.h"
#include "display/d3d/d3d_test_support.h"
#include "display/visuals/bar_visual.h"
#include "support/temp_folder.h"

namespace {

using d3d_test::FatalDisplayError;
using d3d_test::SoftwareScene;
using platform::DeviceResult;
using platform::TextureFormat;

std::shared_ptr<platform::RenderFaults> Faults() { return std::make_shared<platform::RenderFaults>(); }

void ExpectTexelLayout(const TPixelFormat& format, uint32_t bits, uint32_t alpha, uint32_t red, uint32_t green,
                       uint32_t blue) {
  EXPECT_EQ(format.GetBitsPerPixel(), bits);
  EXPECT_EQ(format.GetMask(TPixelFormat::kAlpha), alpha);
  EXPECT_EQ(format.GetMask(TPixelFormat::kRed), red);
  EXPECT_EQ(format.GetMask(TPixelFormat::kGreen), green);
  EXPECT_EQ(format.GetMask(TPixelFormat::kBlue), blue);
}

TEST(D3DDisplay, StartsWindowedWithTheDesktopFormatAndThe32BitTexelLayout) {
  SoftwareScene scene(64, 48);
  const platform::PresentParameters& parameters = scene.display->GetPresentParameters();
  EXPECT_TRUE(parameters.windowed);
  EXPECT_EQ(parameters.backBufferWidth, 0);
  EXPECT_EQ(parameters.backBufferHeight, 0);
  EXPECT_EQ(parameters.swapEffect, 4u);
  EXPECT_TRUE(scene.display->IsInitialised());
  EXPECT_TRUE(scene.display->Is3D());
  EXPECT_EQ(scene.display->GetTypeName(), "DD8_3D");
  EXPECT_EQ(scene.display->GetConfigName(), "3D.cfg");
  EXPECT_EQ(scene.display->GetWidth(), 64);
  EXPECT_EQ(scene.display->GetHeight(), 48);
  EXPECT_EQ(scene.display->GetColourDepth(), 32);
  ExpectTexelLayout(*scene.display->GetPixelFormat(), 32, 0xFF000000u, 0x00FF0000u, 0x0000FF00u, 0x000000FFu);
}

TEST(D3DDisplay, ASixteenBitDesktopGivesA4R4G4B4Texels) {
  auto faults = Faults();
  faults->desktopFormat = TextureFormat::kR5G6B5;
  SoftwareScene scene(64, 48, faults);
  EXPECT_EQ(scene.display->GetColourDepth(), 16);
  ExpectTexelLayout(*scene.display->GetPixelFormat(), 16, 0xF000u, 0x0F00u, 0x00F0u, 0x000Fu);
}

TEST(D3DDisplay, FullScreenAsksForTheRequestedSize) {
  TD3DDisplayOptions options;
  options.faults = Faults();
  options.createDevice = &platform::CreateSoftwareDevice;
  TDirect3D8Display display(true, 320, 200, options);
  EXPECT_FALSE(display.GetPresentParameters().windowed);
  EXPECT_EQ(display.GetPresentParameters().backBufferWidth, 320);
  EXPECT_EQ(display.GetPresentParameters().backBufferHeight, 200);
  EXPECT_TRUE(display.IsFullScreen());
}

TEST(D3DDisplay, StartFailuresLeaveAnUninitialisedDisplayThatDoesNothing) {
  for (const bool failMode : {true, false}) {
    auto faults = Faults();
    faults->failDisplayMode = failMode;
    faults->failDeviceCreation = !failMode;
    SoftwareScene scene(64, 48, faults);
    EXPECT_FALSE(scene.display->IsInitialised()) << failMode;
    EXPECT_EQ(scene.display->GetRenderDevice(), nullptr);
    scene.display->BeginFrame();
    scene.display->Present();
    scene.display->Clear();
    const std::unique_ptr<TSurface> surface = scene.display->CreateSurface(TSurfaceKey("pic.tga", nullptr));
    ASSERT_NE(surface, nullptr);
    QuadDD8 quad(scene.display.get());
    surface->Draw(&quad);
    quad.Draw();
    EXPECT_FALSE(scene.display->Resize(100, 100));
  }
}

TEST(D3DDisplay, OffScreenTestsAreStrict) {
  SoftwareScene scene(800, 600);
  struct Case {
    TVector3 point;
    bool off;
  };
  const Case cases[] = {{{-10.0f, 50.0f, 0.0f}, false}, {{-10.5f, 50.0f, 0.0f}, true},
                        {{810.0f, 50.0f, 0.0f}, false}, {{810.5f, 50.0f, 0.0f}, true},
                        {{50.0f, -10.5f, 0.0f}, true},  {{50.0f, 610.0f, 0.0f}, false},
                        {{50.0f, 610.5f, 0.0f}, true}};
  for (const Case& c : cases) EXPECT_EQ(scene.display->IsOffScreen(c.point, 10.0f, 10.0f), c.off) << c.point.x;
}

TEST(D3DDisplay, ResizeResetsOnlyWithBothSizes) {
  SoftwareScene scene(64, 48);
  EXPECT_TRUE(scene.display->Resize(0, 600));
  EXPECT_EQ(scene.display->GetPresentParameters().backBufferWidth, 0);
  EXPECT_TRUE(scene.display->Resize(100, 80));
  EXPECT_EQ(scene.display->GetPresentParameters().backBufferWidth, 100);
  EXPECT_EQ(scene.display->GetWidth(), 100);
  EXPECT_EQ(scene.display->GetHeight(), 80);
  scene.faults->resetResults.push_back(DeviceResult::kInvalidCall);
  EXPECT_FALSE(scene.display->Resize(120, 90));
}

TEST(D3DDisplay, ADeviceLostForTwentyTestsIsFatal) {
  SoftwareScene scene(64, 48);
  scene.faults->sleep = [](uint32_t) {};
  scene.faults->presentResults.push_back(DeviceResult::kDeviceLost);
  scene.faults->cooperativeResults.assign(21, DeviceResult::kDeviceLost);
  scene.display->BeginFrame();
  try {
    scene.display->Present();
    FAIL() << "a device that stays lost ends the program";
  } catch (const FatalDisplayError& error) {
    EXPECT_STREQ(error.what(), "Failed to update render target.");
  }
  EXPECT_EQ(scene.faults->sleeps, std::vector<uint32_t>(20, 500u));
}

TEST(D3DDisplay, ADeviceThatCanBeResetComesBackAndMarksTheViewChanged) {
  SoftwareScene scene(64, 48);
  scene.faults->sleep = [](uint32_t) {};
  scene.faults->presentResults.push_back(DeviceResult::kDeviceLost);
  scene.faults->cooperativeResults = {DeviceResult::kDeviceLost, DeviceResult::kDeviceLost,
                                      DeviceResult::kDeviceNotReset, DeviceResult::kOk};
  scene.display->SetViewChanged(false);
  scene.display->BeginFrame();
  scene.display->Present();
  EXPECT_EQ(scene.faults->sleeps.size(), 2u);
  EXPECT_TRUE(scene.display->IsViewChanged());
  EXPECT_EQ(scene.view.rebuilds, 0);

  // A reset that leaves the device unusable rebuilds the whole display.
  scene.faults->presentResults.push_back(DeviceResult::kDeviceLost);
  scene.faults->cooperativeResults = {DeviceResult::kDeviceNotReset, DeviceResult::kDeviceNotReset,
                                      DeviceResult::kDeviceNotReset};
  scene.faults->resetResults.push_back(DeviceResult::kInvalidCall);
  scene.display->Present();
  EXPECT_EQ(scene.view.rebuilds, 1);
}

TEST(D3DDisplay, RunningFailuresAreFatalWithTheirMessages) {
  SoftwareScene scene(64, 48);
  scene.faults->clearResults.push_back(DeviceResult::kInvalidCall);
  EXPECT_THROW(scene.display->Clear(), FatalDisplayError);
  scene.faults->viewportResults.push_back(DeviceResult::kInvalidCall);
  EXPECT_THROW(scene.display->OnWindowMoved(), FatalDisplayError);
  scene.faults->presentResults.push_back(DeviceResult::kInvalidCall);
  EXPECT_THROW(scene.display->Present(), FatalDisplayError);
}

TEST(D3DDisplay, BindingTheSameTextureAgainDoesNotReachTheDevice) {
  TTempFolder folder;
  d3d_test::CountingDevice* device = nullptr;
  TD3DDisplayOptions options;
  options.faults = Faults();
  options.createDevice = [&device](const platform::DeviceCreateParams& params, DeviceResult& result) {
    auto counting = std::make_unique<d3d_test::CountingDevice>(platform::CreateSoftwareDevice(params, result));
    device = counting.get();
    return counting;
  };
  TDirect3D8Display display(false, 32, 32, options);
  ASSERT_NE(device, nullptr);
  const std::string file = d3d_test::WriteTga("pic", 1, 1, {0xFFFFFFFFu});
  const std::unique_ptr<TSurface> first = display.CreateSurface(TSurfaceKey(file, nullptr));
  const std::unique_ptr<TSurface> second = display.CreateSurface(TSurfaceKey(file, nullptr));
  auto& a = static_cast<TD3D8Texture&>(*first);
  auto& b = static_cast<TD3D8Texture&>(*second);
  device->bindings.clear();
  display.SetTexture(&a);
  display.SetTexture(&a);
  display.SetTexture(&b);
  display.SetTexture(nullptr);
  display.SetTexture(nullptr);
  display.SetTexture(&b);
  const std::vector<const platform::RenderTexture*> expected = {a.GetDeviceTexture(), b.GetDeviceTexture(), nullptr,
                                                                nullptr, b.GetDeviceTexture()};
  EXPECT_EQ(device->bindings, expected);
  // A reset forgets the binding, as the device does.
  ASSERT_TRUE(display.ResetDevice());
  device->bindings.clear();
  display.SetTexture(&b);
  EXPECT_EQ(device->bindings.size(), 1u);
}

TEST(D3DDisplayDeathTest, FatalErrorsEndTheProgramWithStatusOne) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        TD3DDisplayOptions options;
        options.faults = Faults();
        options.createDevice = &platform::CreateSoftwareDevice;
        TDirect3D8Display display(false, 32, 32, options);
        options.faults->clearResults.push_back(DeviceResult::kInvalidCall);
        display.Clear();
      },
      ::testing::ExitedWithCode(1), "Failed to clear DirectX render target.");
}

// Bars: drawn as one untextured quad, shaded from dark to full colour.
TEST(D3DDisplay, BarsAreDrawnAsQuadsAcrossTheirDirection) {
  SoftwareScene scene(64, 48);
  TVector3 at(5.0f, 10.0f, 0.0f);
  TBarVisual bar(&at, true, TVector3(1.0f, 0.0f, 0.0f), TVector3(10.0f, 4.0f, 0.0f),
                 std::make_unique<TColour>(1.0f, 0.0f, 0.0f, 1.0f), false);
  scene.display->BeginFrame();
  scene.display->DrawVisual(&bar, at, true);
  EXPECT_EQ(scene.Pixel(5, 8), 0xFF0000u);
  EXPECT_EQ(scene.Pixel(14, 11), 0xFF0000u);
  EXPECT_EQ(scene.Pixel(15, 8), 0u);
  EXPECT_EQ(scene.Pixel(5, 12), 0u);
  EXPECT_EQ(scene.Pixel(4, 8), 0u);
  EXPECT_EQ(scene.Pixel(5, 7), 0u);
}

TEST(D3DDisplay, BarsBlendByTheirAlphaAndShadeFromTheirStart) {
  SoftwareScene scene(64, 48);
  TVector3 at(0.0f, 20.0f, 0.0f);
  TBarVisual half(&at, true, TVector3(1.0f, 0.0f, 0.0f), TVector3(20.0f, 4.0f, 0.0f),
                  std::make_unique<TColour>(0.0f, 1.0f, 0.0f, 0.5f), false);
  TVector3 below(0.0f, 30.0f, 0.0f);
  TBarVisual shaded(&below, true, TVector3(1.0f, 0.0f, 0.0f), TVector3(40.0f, 4.0f, 0.0f),
                    std::make_unique<TColour>(0.0f, 0.0f, 1.0f, 1.0f), true);
  scene.display->BeginFrame();
  scene.display->DrawVisual(&half, at, true);
  scene.display->DrawVisual(&shaded, below, true);
  EXPECT_NEAR(d3d_test::Green(scene.Pixel(10, 20)), 128, 2);
  EXPECT_EQ(d3d_test::Red(scene.Pixel(10, 20)), 0);
  const int32_t start = d3d_test::Blue(scene.Pixel(0, 30));
  const int32_t end = d3d_test::Blue(scene.Pixel(39, 30));
  EXPECT_NEAR(start, 84, 4) << "a third of the colour at the start";
  EXPECT_GT(end, 245);
}

TEST(D3DDisplay, BarsFartherOffScreenThanTheirLengthAreNotDrawn) {
  SoftwareScene scene(64, 48);
  // A thick bar above the screen would reach down into it if it were drawn.
  struct Case {
    float y;
    bool drawn;
  };
  for (const Case c : {Case{-12.0f, true}, Case{-14.0f, false}}) {
    TVector3 at(10.0f, c.y, 0.0f);
    TBarVisual bar(&at, true, TVector3(1.0f, 0.0f, 0.0f), TVector3(13.0f, 40.0f, 0.0f),
                   std::make_unique<TColour>(1.0f, 1.0f, 1.0f, 1.0f), false);
    scene.display->BeginFrame();
    scene.display->DrawVisual(&bar, at, true);
    EXPECT_EQ(scene.Pixel(15, 2), c.drawn ? 0xFFFFFFu : 0u) << c.y;
  }
}

}  // namespace
