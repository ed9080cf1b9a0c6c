// The OpenGL device against the software device: the same scene, drawn by
// both, must agree within a small tolerance. Needs a display (scripts/test.sh
// runs it under Xvfb); skipped when headless.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "platform/render_device.h"
#include "platform/render_test_scene.h"
#include "platform/window.h"

namespace platform {
namespace {

using testing::DrawQuad;
using testing::Frame;
using testing::MakeQuad;
using testing::MakeTexture;

constexpr int32_t kWidth = 160;
constexpr int32_t kHeight = 120;

struct SceneTextures {
  std::unique_ptr<RenderTexture> known;     // 4 x 4, opaque
  std::unique_ptr<RenderTexture> cutout;    // 4 x 4, A4R4G4B4 with holes
  std::unique_ptr<RenderTexture> picture;   // system memory, back-buffer format
};

SceneTextures MakeSceneTextures(RenderDevice& device) {
  SceneTextures textures;
  textures.known = MakeTexture(device, 4, 4, testing::KnownTexels4x4());
  std::vector<uint32_t> cutout;
  for (uint32_t i = 0; i < 16; ++i) cutout.push_back((i % 3 == 0 ? 0x0000u : 0xF000u) | (i * 0x111u));
  textures.cutout = MakeTexture(device, 4, 4, cutout, TextureFormat::kA4R4G4B4);
  std::vector<uint32_t> picture;
  for (uint32_t y = 0; y < 20; ++y) {
    for (uint32_t x = 0; x < 30; ++x) picture.push_back(0xFF000000u | (x * 8) << 16 | (y * 12) << 8 | 0x40u);
  }
  textures.picture = MakeTexture(device, 30, 20, picture, TextureFormat::kX8R8G8B8, TexturePool::kSystemMemory);
  return textures;
}

void DrawScene(RenderDevice& device) {
  const SceneTextures textures = MakeSceneTextures(device);
  device.BeginScene();
  device.Clear(0xFF202830u);
  device.SetRenderStates(testing::GameStates());

  // Sprites on pixel edges, at several scales, one of them blended.
  device.SetTexture(textures.known.get());
  DrawQuad(device, MakeQuad(9.5f, 9.5f, 13.5f, 13.5f));
  DrawQuad(device, MakeQuad(19.5f, 9.5f, 31.5f, 21.5f));
  DrawQuad(device, MakeQuad(39.5f, 9.5f, 55.5f, 25.5f, 0x80FFFFFFu));
  // Wrapped coordinates.
  DrawQuad(device, MakeQuad(59.5f, 9.5f, 91.5f, 17.5f, 0xFFFFFFFFu, 0.0f, 0.0f, 4.0f, 1.0f));

  // A four-corner colour blend, untextured.
  device.SetTexture(nullptr);
  DrawQuad(device, {RenderVertex{99.5f, 9.5f, 0.5f, 1.0f, 0xFFFF0000u, 0, 0},
                    RenderVertex{149.5f, 9.5f, 0.5f, 1.0f, 0xFF00FF00u, 0, 0},
                    RenderVertex{99.5f, 49.5f, 0.5f, 1.0f, 0xFF0000FFu, 0, 0},
                    RenderVertex{149.5f, 49.5f, 0.5f, 1.0f, 0x80FFFFFFu, 0, 0}});

  // A ground diamond as a six-vertex fan with lit corners, textured.
  device.SetTexture(textures.known.get());
  const RenderVertex fan[6] = {{40.0f, 60.0f, 0.5f, 1.0f, 0xFFC0C0C0u, 0.5f, 0.5f},
                               {40.0f, 40.0f, 0.5f, 1.0f, 0xFFFFFFFFu, 0.5f, 0.0f},
                               {80.0f, 60.0f, 0.5f, 1.0f, 0xFF808080u, 1.0f, 0.5f},
                               {40.0f, 80.0f, 0.5f, 1.0f, 0xFF404040u, 0.5f, 1.0f},
                               {0.0f, 60.0f, 0.5f, 1.0f, 0xFFFFFFFFu, 0.0f, 0.5f},
                               {40.0f, 40.0f, 0.5f, 1.0f, 0xFFFFFFFFu, 0.5f, 0.0f}};
  device.DrawPrimitiveUP(PrimitiveType::kTriangleFan, 4, fan, sizeof(RenderVertex));

  // Cut-out sprite with the alpha test the glyphs use.
  RenderStates tested = testing::GameStates();
  tested.alphaTest = true;
  tested.alphaRef = 8;
  tested.alphaFunc = CompareFunction::kGreaterEqual;
  device.SetRenderStates(tested);
  device.SetTexture(textures.cutout.get());
  DrawQuad(device, MakeQuad(89.5f, 59.5f, 121.5f, 91.5f));

  // Overlapping translucent bars as a list.
  device.SetRenderStates(testing::GameStates());
  device.SetTexture(nullptr);
  const auto a = MakeQuad(9.5f, 89.5f, 69.5f, 99.5f, 0x60FF8000u);
  const auto b = MakeQuad(29.5f, 94.5f, 89.5f, 109.5f, 0xA00080FFu);
  const RenderVertex list[12] = {a[0], a[1], a[2], a[2], a[1], a[3], b[0], b[1], b[2], b[2], b[1], b[3]};
  device.DrawPrimitiveUP(PrimitiveType::kTriangleList, 4, list, sizeof(RenderVertex));

  // A full-screen picture copied in, cut at the left and bottom edges.
  device.CopyRects(*textures.picture, {0, 0, 30, 20}, -6, kHeight - 12);
  device.EndScene();
}

Frame Render(RenderDevice& device) {
  DrawScene(device);
  return testing::ReadFrame(device);
}

int ChannelDifference(uint32_t p, uint32_t q) {
  int most = 0;
  for (int shift = 0; shift < 24; shift += 8) {
    most = std::max(most, std::abs(static_cast<int>((p >> shift) & 0xFFu) -
                                   static_cast<int>((q >> shift) & 0xFFu)));
  }
  return most;
}

TEST(OpenGLDeviceTest, DrawsTheSceneOfTheSoftwareDevice) {
  if (IsHeadless()) GTEST_SKIP() << "no display: the OpenGL device is compared under Xvfb";
  DeviceCreateParams params;
  params.present.backBufferWidth = kWidth;
  params.present.backBufferHeight = kHeight;
  DeviceResult result = DeviceResult::kInvalidCall;
  auto gl = CreateOpenGLDevice(params, result);
  ASSERT_NE(gl, nullptr) << DeviceResultName(result);
  auto software = CreateSoftwareDevice(params, result);
  ASSERT_NE(software, nullptr);

  const Frame expected = Render(*software);
  const Frame actual = Render(*gl);
  // The comparison means something only if the scene is rich.
  std::vector<uint32_t> colours(expected.pixels);
  std::sort(colours.begin(), colours.end());
  EXPECT_GT(std::unique(colours.begin(), colours.end()) - colours.begin(), 500);
  ASSERT_EQ(actual.width, kWidth);
  ASSERT_EQ(actual.height, kHeight);
  int far = 0;
  int worst = 0;
  for (int32_t y = 0; y < kHeight; ++y) {
    for (int32_t x = 0; x < kWidth; ++x) {
      const int difference = ChannelDifference(expected.At(x, y), actual.At(x, y));
      worst = std::max(worst, difference);
      if (difference > 3) {
        ++far;
        ADD_FAILURE() << "pixel " << x << "," << y << ": software " << std::hex << expected.At(x, y)
                      << ", OpenGL " << actual.At(x, y);
        if (far > 10) return;
      }
    }
  }
  EXPECT_EQ(far, 0) << "largest difference " << worst;
  ::testing::Test::RecordProperty("largest_difference", worst);
  EXPECT_EQ(gl->Present(), DeviceResult::kOk);
}

TEST(OpenGLDeviceTest, ResetResizesAndForgetsTheStates) {
  if (IsHeadless()) GTEST_SKIP() << "no display";
  DeviceCreateParams params;
  params.present.backBufferWidth = 32;
  params.present.backBufferHeight = 16;
  DeviceResult result = DeviceResult::kInvalidCall;
  auto gl = CreateOpenGLDevice(params, result);
  ASSERT_NE(gl, nullptr) << DeviceResultName(result);
  EXPECT_GE(gl->MaxTextureWidth(), 1024);
  gl->SetRenderStates(testing::GameStates());
  ASSERT_EQ(gl->Reset(PresentParameters{48, 40}), DeviceResult::kOk);
  EXPECT_EQ(gl->GetRenderStates(), RenderStates{});
  gl->Clear(0xFF00FF00u);
  const Frame frame = testing::ReadFrame(*gl);
  ASSERT_EQ(frame.width, 48);
  ASSERT_EQ(frame.height, 40);
  EXPECT_EQ(frame.At(47, 39), 0x00FF00u);
}

}  // namespace
}  // namespace platform
