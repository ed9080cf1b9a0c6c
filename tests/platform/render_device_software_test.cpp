#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "platform/render_device.h"
#include "platform/render_test_scene.h"

namespace platform {
namespace {

using testing::DrawQuad;
using testing::Frame;
using testing::KnownTexels4x4;
using testing::MakeQuad;
using testing::MakeTexture;
using testing::ReadFrame;

class SoftwareDeviceTest : public ::testing::Test {
 protected:
  void SetUp() override { Open(16, 16); }

  void Open(int32_t width, int32_t height) {
    DeviceCreateParams params;
    params.present.backBufferWidth = width;
    params.present.backBufferHeight = height;
    params.faults = faults_;
    DeviceResult result = DeviceResult::kInvalidCall;
    device_ = CreateSoftwareDevice(params, result);
    ASSERT_EQ(result, DeviceResult::kOk);
    ASSERT_NE(device_, nullptr);
    device_->Clear(0xFF000000u);
  }

  // Half-transparent white: a pixel covered once reads 0x80 in each
  // channel over black, one covered twice 0xC0.
  void UseCoverageStates() {
    device_->SetRenderStates(testing::GameStates());
    device_->SetTexture(nullptr);
  }

  std::shared_ptr<RenderFaults> faults_ = std::make_shared<RenderFaults>();
  std::unique_ptr<RenderDevice> device_;
};

// ---- coverage ----

TEST_F(SoftwareDeviceTest, QuadOnPixelCentresCoversEachPixelOnceAndOnlyItsTopLeftEdges) {
  UseCoverageStates();
  DrawQuad(*device_, MakeQuad(2.0f, 3.0f, 6.0f, 7.0f, 0x80FFFFFFu));
  const Frame frame = ReadFrame(*device_);
  for (int32_t y = 0; y < 16; ++y) {
    for (int32_t x = 0; x < 16; ++x) {
      const bool inside = x >= 2 && x < 6 && y >= 3 && y < 7;
      EXPECT_EQ(frame.At(x, y), inside ? 0x808080u : 0u) << x << "," << y;
    }
  }
}

TEST_F(SoftwareDeviceTest, TriangleWithCentresOnEveryEdgeKeepsTopAndLeftOnly) {
  UseCoverageStates();
  // Right angle at (0, 0): the top and left edges hold centres that count,
  // the long edge x + y = 4 holds centres that do not.
  const RenderVertex triangle[3] = {{0.0f, 0.0f, 0.5f, 1.0f, 0x80FFFFFFu, 0.0f, 0.0f},
                                    {4.0f, 0.0f, 0.5f, 1.0f, 0x80FFFFFFu, 0.0f, 0.0f},
                                    {0.0f, 4.0f, 0.5f, 1.0f, 0x80FFFFFFu, 0.0f, 0.0f}};
  device_->DrawPrimitiveUP(PrimitiveType::kTriangleList, 1, triangle, sizeof(RenderVertex));
  const Frame frame = ReadFrame(*device_);
  int covered = 0;
  for (int32_t y = 0; y < 16; ++y) {
    for (int32_t x = 0; x < 16; ++x) {
      const bool inside = x + y < 4;
      EXPECT_EQ(frame.At(x, y), inside ? 0x808080u : 0u) << x << "," << y;
      covered += frame.At(x, y) != 0 ? 1 : 0;
    }
  }
  EXPECT_EQ(covered, 10);
}

TEST_F(SoftwareDeviceTest, ListStripAndFanOfTheSameQuadCoverTheSamePixels) {
  const auto q = MakeQuad(1.25f, 2.5f, 9.75f, 11.0f, 0x80FFFFFFu);
  const RenderVertex list[6] = {q[0], q[1], q[2], q[2], q[1], q[3]};
  const RenderVertex fan[4] = {q[0], q[1], q[3], q[2]};
  struct Case {
    PrimitiveType type;
    const RenderVertex* vertices;
  };
  std::vector<Frame> frames;
  for (const Case& c : {Case{PrimitiveType::kTriangleList, list},
                        Case{PrimitiveType::kTriangleStrip, q.data()},
                        Case{PrimitiveType::kTriangleFan, fan}}) {
    device_->Clear(0xFF000000u);
    UseCoverageStates();
    ASSERT_EQ(device_->DrawPrimitiveUP(c.type, 2, c.vertices, sizeof(RenderVertex)), DeviceResult::kOk);
    frames.push_back(ReadFrame(*device_));
  }
  EXPECT_EQ(frames[0].pixels, frames[1].pixels);
  EXPECT_EQ(frames[0].pixels, frames[2].pixels);
  // x from 2 to 9, y from 3 to 10 (the centre on y = 11 is on the bottom edge).
  EXPECT_EQ(frames[0].At(2, 3), 0x808080u);
  EXPECT_EQ(frames[0].At(9, 10), 0x808080u);
  EXPECT_EQ(frames[0].At(1, 3), 0u);
  EXPECT_EQ(frames[0].At(10, 10), 0u);
  EXPECT_EQ(frames[0].At(9, 11), 0u);
  EXPECT_EQ(frames[0].At(9, 2), 0u);
}

TEST_F(SoftwareDeviceTest, WiderVertexStridesAreRead) {
  struct Wide {
    RenderVertex vertex;
    uint32_t extra;
  };
  const auto q = MakeQuad(0.0f, 0.0f, 2.0f, 2.0f, 0xFF00FF00u);
  const Wide wide[4] = {{q[0], 1}, {q[1], 2}, {q[2], 3}, {q[3], 4}};
  ASSERT_EQ(device_->DrawPrimitiveUP(PrimitiveType::kTriangleStrip, 2, wide, sizeof(Wide)),
            DeviceResult::kOk);
  const Frame frame = ReadFrame(*device_);
  EXPECT_EQ(frame.At(1, 1), 0x00FF00u);
  EXPECT_EQ(frame.At(2, 2), 0u);
}

TEST_F(SoftwareDeviceTest, BadDrawCallsAreRefused) {
  const auto q = MakeQuad(0.0f, 0.0f, 2.0f, 2.0f);
  EXPECT_EQ(device_->DrawPrimitiveUP(PrimitiveType::kTriangleStrip, 2, nullptr, 28), DeviceResult::kInvalidCall);
  EXPECT_EQ(device_->DrawPrimitiveUP(PrimitiveType::kTriangleStrip, 2, q.data(), 20), DeviceResult::kInvalidCall);
  EXPECT_EQ(device_->DrawPrimitiveUP(PrimitiveType::kTriangleStrip, 0, q.data(), 28), DeviceResult::kInvalidCall);
  EXPECT_EQ(device_->DrawPrimitiveUP(static_cast<PrimitiveType>(1), 1, q.data(), 28), DeviceResult::kInvalidCall);
}

TEST_F(SoftwareDeviceTest, FarAndNonFiniteVerticesDrawNothingOutsideTheTarget) {
  const RenderVertex far[3] = {{-3.0e9f, -3.0e9f, 0.5f, 1.0f, 0xFFFFFFFFu, 0, 0},
                               {3.0e9f, -3.0e9f, 0.5f, 1.0f, 0xFFFFFFFFu, 0, 0},
                               {0.0f, 3.0e9f, 0.5f, 1.0f, 0xFFFFFFFFu, 0, 0}};
  device_->DrawPrimitiveUP(PrimitiveType::kTriangleList, 1, far, sizeof(RenderVertex));
  EXPECT_EQ(ReadFrame(*device_).At(8, 8), 0xFFFFFFu);  // the huge triangle covers the middle
  device_->Clear(0xFF000000u);
  const RenderVertex broken[3] = {{std::nanf(""), 0.0f, 0.5f, 1.0f, 0xFFFFFFFFu, 0, 0},
                                  {10.0f, 0.0f, 0.5f, 1.0f, 0xFFFFFFFFu, 0, 0},
                                  {0.0f, 10.0f, 0.5f, 1.0f, 0xFFFFFFFFu, 0, 0}};
  device_->DrawPrimitiveUP(PrimitiveType::kTriangleList, 1, broken, sizeof(RenderVertex));
  EXPECT_EQ(ReadFrame(*device_).At(1, 1), 0u);
}

// ---- texturing ----

// A sprite placed at -0.5 lands on pixel edges: at every scale each texel
// fills a whole block of pixels.
TEST_F(SoftwareDeviceTest, SpriteAtMinusHalfMapsTexelsOntoWholePixelBlocks) {
  const auto texels = KnownTexels4x4();
  auto texture = MakeTexture(*device_, 4, 4, texels);
  ASSERT_NE(texture, nullptr);
  for (int32_t scale : {1, 2, 3}) {
    device_->Clear(0xFF000000u);
    device_->SetTexture(texture.get());
    const float size = 4.0f * static_cast<float>(scale);
    DrawQuad(*device_, MakeQuad(2.0f - 0.5f, 1.0f - 0.5f, 2.0f - 0.5f + size, 1.0f - 0.5f + size));
    const Frame frame = ReadFrame(*device_);
    for (int32_t y = 0; y < 4 * scale; ++y) {
      for (int32_t x = 0; x < 4 * scale; ++x) {
        EXPECT_EQ(frame.At(2 + x, 1 + y), texels[(y / scale) * 4 + x / scale] & 0xFFFFFFu)
            << "scale " << scale << " at " << x << "," << y;
      }
    }
    EXPECT_EQ(frame.At(1, 1), 0u);
    EXPECT_EQ(frame.At(2 + 4 * scale, 1), 0u);
    EXPECT_EQ(frame.At(2, 1 + 4 * scale), 0u);
  }
}

TEST_F(SoftwareDeviceTest, TextureAddressingWrapsOrClamps) {
  const auto texels = KnownTexels4x4();
  auto texture = MakeTexture(*device_, 4, 4, texels);
  struct Case {
    TextureAddress address;
    float u0;
    float u1;
    int expectedColumn[8];
  };
  const Case cases[] = {
      {TextureAddress::kWrap, 0.0f, 2.0f, {0, 1, 2, 3, 0, 1, 2, 3}},
      {TextureAddress::kWrap, -1.0f, 1.0f, {0, 1, 2, 3, 0, 1, 2, 3}},
      {TextureAddress::kClamp, -0.5f, 1.5f, {0, 0, 0, 1, 2, 3, 3, 3}},
  };
  for (const Case& c : cases) {
    device_->Clear(0xFF000000u);
    RenderStates states;
    states.addressU = c.address;
    device_->SetRenderStates(states);
    device_->SetTexture(texture.get());
    DrawQuad(*device_, MakeQuad(-0.5f, -0.5f, 7.5f, 0.5f, 0xFFFFFFFFu, c.u0, 0.0f, c.u1, 0.25f));
    const Frame frame = ReadFrame(*device_);
    for (int32_t x = 0; x < 8; ++x) {
      EXPECT_EQ(frame.At(x, 0), texels[c.expectedColumn[x]] & 0xFFFFFFu)
          << "u from " << c.u0 << " at pixel " << x;
    }
  }
}

TEST_F(SoftwareDeviceTest, SixteenBitTexelsWidenToFullChannels) {
  struct Case {
    TextureFormat format;
    uint32_t texel;
    uint32_t argb;
  };
  const Case cases[] = {
      {TextureFormat::kA4R4G4B4, 0xFF84u, 0xFFFF8844u},
      {TextureFormat::kA4R4G4B4, 0x0F00u, 0x00FF0000u},
      {TextureFormat::kX4R4G4B4, 0x0FFFu, 0xFFFFFFFFu},
      {TextureFormat::kR5G6B5, 0xFFFFu, 0xFFFFFFFFu},
      {TextureFormat::kR5G6B5, 0x0821u, 0xFF080408u},
      {TextureFormat::kA1R5G5B5, 0x7C00u, 0x00FF0000u},
      {TextureFormat::kX1R5G5B5, 0x001Fu, 0xFF0000FFu},
      {TextureFormat::kX8R8G8B8, 0x00123456u, 0xFF123456u},
  };
  for (const Case& c : cases) {
    auto texture = MakeTexture(*device_, 1, 1, {c.texel}, c.format);
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(texture->ArgbAt(0, 0), c.argb) << static_cast<int>(c.format);
  }
}

// ---- colour ----

TEST_F(SoftwareDeviceTest, VertexColoursAreInterpolatedAcrossTheQuad) {
  Open(256, 4);
  // Black on the left edge, red on the right; pixel x has its centre at
  // (x + 0.5) / 256 of the way across.
  DrawQuad(*device_, {RenderVertex{-0.5f, -0.5f, 0.5f, 1.0f, 0xFF000000u, 0, 0},
                      RenderVertex{255.5f, -0.5f, 0.5f, 1.0f, 0xFFFF0000u, 0, 0},
                      RenderVertex{-0.5f, 3.5f, 0.5f, 1.0f, 0xFF000000u, 0, 0},
                      RenderVertex{255.5f, 3.5f, 0.5f, 1.0f, 0xFFFF0000u, 0, 0}});
  const Frame frame = ReadFrame(*device_);
  for (int32_t x = 0; x < 256; ++x) {
    const double expected = 255.0 * (x + 0.5) / 256.0;
    const int red = static_cast<int>(frame.At(x, 2) >> 16);
    EXPECT_LE(std::abs(red - expected), 1.0) << x;
    EXPECT_EQ(frame.At(x, 2) & 0xFFFFu, 0u);
    const int top = static_cast<int>(frame.At(x, 0) >> 16);
    EXPECT_LE(std::abs(top - red), 1) << x;  // the two triangles agree
  }
}

TEST_F(SoftwareDeviceTest, StageZeroOperationsCombineTexelAndVertexColour) {
  struct Case {
    TextureOp colourOp;
    TextureOp alphaOp;
    uint32_t texel;
    uint32_t vertex;
    uint32_t expected;  // drawn over black with source-alpha blending
  };
  const Case cases[] = {
      // (200, 100, 50) x (128, 255, 0) = (100, 100, 0), opaque
      {TextureOp::kModulate, TextureOp::kModulate, 0xFFC86432u, 0xFF80FF00u, 0x646400u},
      {TextureOp::kSelectTexture, TextureOp::kSelectTexture, 0xFFC86432u, 0x0080FF00u, 0xC86432u},
      {TextureOp::kSelectDiffuse, TextureOp::kSelectDiffuse, 0x00C86432u, 0xFF80FF00u, 0x80FF00u},
      // alpha 200 x 128 = 100 of white over black
      {TextureOp::kModulate, TextureOp::kModulate, 0xC8FFFFFFu, 0x80FFFFFFu, 0x646464u},
      // texture alpha alone ignores the vertex alpha
      {TextureOp::kModulate, TextureOp::kSelectTexture, 0x80FFFFFFu, 0x00FFFFFFu, 0x808080u},
  };
  for (const Case& c : cases) {
    device_->Clear(0xFF000000u);
    auto texture = MakeTexture(*device_, 1, 1, {c.texel});
    RenderStates states = testing::GameStates();
    states.colourOp = c.colourOp;
    states.alphaOp = c.alphaOp;
    device_->SetRenderStates(states);
    device_->SetTexture(texture.get());
    DrawQuad(*device_, MakeQuad(-0.5f, -0.5f, 1.5f, 1.5f, c.vertex));
    EXPECT_EQ(ReadFrame(*device_).At(0, 0), c.expected) << std::hex << c.texel << " " << c.vertex;
  }
}

TEST_F(SoftwareDeviceTest, NoTextureDrawsTheVertexColour) {
  auto texture = MakeTexture(*device_, 1, 1, {0xFF0000FFu});
  device_->SetRenderStates(testing::GameStates());
  device_->SetTexture(texture.get());
  device_->SetTexture(nullptr);
  DrawQuad(*device_, MakeQuad(-0.5f, -0.5f, 1.5f, 1.5f, 0xFF336699u));
  EXPECT_EQ(ReadFrame(*device_).At(0, 0), 0x336699u);
}

TEST_F(SoftwareDeviceTest, SourceAlphaBlendMixesWithTheBackBuffer) {
  struct Case {
    uint32_t alpha;
    uint32_t expected;  // red source over a blue back buffer
  };
  const Case cases[] = {{0, 0x0000FFu}, {64, 0x4000BFu}, {128, 0x80007Fu}, {255, 0xFF0000u}};
  for (const Case& c : cases) {
    device_->Clear(0xFF0000FFu);
    device_->SetRenderStates(testing::GameStates());
    DrawQuad(*device_, MakeQuad(-0.5f, -0.5f, 1.5f, 1.5f, (c.alpha << 24) | 0xFF0000u));
    EXPECT_EQ(ReadFrame(*device_).At(0, 0), c.expected) << c.alpha;
  }
}

TEST_F(SoftwareDeviceTest, AlphaTestKeepsTexelsFromTheReferenceUp) {
  // Texels of alpha 0, 7, 8, 9 and 255 drawn without blending: only those that
  // pass the test reach the back buffer.
  const std::vector<uint32_t> texels = {0x0000FF00u, 0x0700FF00u, 0x0800FF00u, 0x0900FF00u, 0xFF00FF00u};
  auto texture = MakeTexture(*device_, 5, 1, texels);
  RenderStates states;
  states.alphaTest = true;
  states.alphaRef = 8;
  states.alphaFunc = CompareFunction::kGreaterEqual;
  device_->SetRenderStates(states);
  device_->SetTexture(texture.get());
  DrawQuad(*device_, MakeQuad(-0.5f, -0.5f, 4.5f, 0.5f));
  const Frame frame = ReadFrame(*device_);
  const uint32_t expected[5] = {0, 0, 0x00FF00u, 0x00FF00u, 0x00FF00u};
  for (int32_t x = 0; x < 5; ++x) EXPECT_EQ(frame.At(x, 0), expected[x]) << x;
}

// ---- viewport, clear, copy ----

TEST_F(SoftwareDeviceTest, ViewportClipsDrawingAndClearing) {
  Viewport viewport{4, 5, 6, 3, 0.0f, 1.0f};
  ASSERT_EQ(device_->SetViewport(viewport), DeviceResult::kOk);
  device_->Clear(0xFF112233u);
  DrawQuad(*device_, MakeQuad(-0.5f, -0.5f, 15.5f, 6.5f, 0xFFFFFFFFu));
  const Frame frame = ReadFrame(*device_);
  EXPECT_EQ(frame.At(3, 5), 0u);
  EXPECT_EQ(frame.At(4, 5), 0xFFFFFFu);
  EXPECT_EQ(frame.At(9, 7), 0x112233u);
  EXPECT_EQ(frame.At(10, 7), 0u);
  EXPECT_EQ(frame.At(4, 8), 0u);
  Viewport read;
  ASSERT_EQ(device_->GetViewport(read), DeviceResult::kOk);
  EXPECT_EQ(read.x, 4);
  EXPECT_EQ(read.height, 3);
  for (const Viewport& bad : {Viewport{-1, 0, 4, 4}, Viewport{0, 0, 0, 4}, Viewport{10, 10, 7, 2}}) {
    EXPECT_EQ(device_->SetViewport(bad), DeviceResult::kInvalidCall);
  }
}

TEST_F(SoftwareDeviceTest, SystemMemoryCopyIsCutAtTheBackBufferEdges) {
  // Source texel (x, y) holds x in blue and y in green.
  std::vector<uint32_t> texels;
  for (uint32_t y = 0; y < 8; ++y) {
    for (uint32_t x = 0; x < 8; ++x) texels.push_back(0xFF000000u | (y << 8) | (x + 1));
  }
  auto texture = MakeTexture(*device_, 8, 8, texels, TextureFormat::kX8R8G8B8, TexturePool::kSystemMemory);
  struct Case {
    int32_t destX;
    int32_t destY;
    SourceRect rect;
    int32_t firstX;  // first back-buffer column and row written
    int32_t firstY;
    int32_t lastX;   // last ones written
    int32_t lastY;
  };
  const Case cases[] = {
      {-2, -3, {0, 0, 8, 8}, 0, 0, 5, 4},
      {12, 13, {0, 0, 8, 8}, 12, 13, 15, 15},
      {-10, 0, {0, 0, 8, 8}, 1, 1, 0, 0},  // nothing lands
      {3, 4, {2, 1, 6, 5}, 3, 4, 6, 7},
  };
  for (const Case& c : cases) {
    device_->Clear(0xFF000000u);
    ASSERT_EQ(device_->CopyRects(*texture, c.rect, c.destX, c.destY), DeviceResult::kOk);
    const Frame frame = ReadFrame(*device_);
    for (int32_t y = 0; y < 16; ++y) {
      for (int32_t x = 0; x < 16; ++x) {
        const bool written = x >= c.firstX && x <= c.lastX && y >= c.firstY && y <= c.lastY;
        const uint32_t sx = static_cast<uint32_t>(x - c.destX + c.rect.left);
        const uint32_t sy = static_cast<uint32_t>(y - c.destY + c.rect.top);
        EXPECT_EQ(frame.At(x, y), written ? (sy << 8) | (sx + 1) : 0u)
            << "copy to " << c.destX << "," << c.destY << " at " << x << "," << y;
      }
    }
  }
}

TEST_F(SoftwareDeviceTest, CopyConvertsSixteenBitSources) {
  auto texture = MakeTexture(*device_, 2, 1, {0xFFFFu, 0x0821u}, TextureFormat::kR5G6B5,
                             TexturePool::kSystemMemory);
  ASSERT_EQ(device_->CopyRects(*texture, {0, 0, 2, 1}, 0, 0), DeviceResult::kOk);
  const Frame frame = ReadFrame(*device_);
  EXPECT_EQ(frame.At(0, 0), 0xFFFFFFu);
  EXPECT_EQ(frame.At(1, 0), 0x080408u);
}

// ---- textures ----

TEST_F(SoftwareDeviceTest, TextureRequestsOutsideTheLimitsAreRefused) {
  faults_->maxTextureWidth = 256;
  EXPECT_EQ(device_->MaxTextureWidth(), 256);
  struct Case {
    int32_t width;
    int32_t height;
    TextureFormat format;
    DeviceResult result;
  };
  const Case cases[] = {
      {256, 256, TextureFormat::kA8R8G8B8, DeviceResult::kOk},
      {100, 60, TextureFormat::kA4R4G4B4, DeviceResult::kOk},
      {257, 4, TextureFormat::kA8R8G8B8, DeviceResult::kInvalidCall},
      {4, 257, TextureFormat::kA8R8G8B8, DeviceResult::kInvalidCall},
      {0, 4, TextureFormat::kA8R8G8B8, DeviceResult::kInvalidCall},
      {4, -1, TextureFormat::kA8R8G8B8, DeviceResult::kInvalidCall},
      {4, 4, TextureFormat::kUnknown, DeviceResult::kInvalidCall},
  };
  for (const Case& c : cases) {
    std::unique_ptr<RenderTexture> texture;
    EXPECT_EQ(device_->CreateTexture(c.width, c.height, c.format, TexturePool::kManaged, texture), c.result)
        << c.width << "x" << c.height;
    EXPECT_EQ(texture != nullptr, c.result == DeviceResult::kOk);
  }
}

TEST_F(SoftwareDeviceTest, InjectedCreationFailuresAllowThePowerOfTwoRetry) {
  faults_->refuseNonPowerOfTwo = true;
  std::unique_ptr<RenderTexture> texture;
  EXPECT_NE(device_->CreateTexture(100, 60, TextureFormat::kA8R8G8B8, TexturePool::kManaged, texture),
            DeviceResult::kOk);
  EXPECT_EQ(texture, nullptr);
  ASSERT_EQ(device_->CreateTexture(128, 64, TextureFormat::kA8R8G8B8, TexturePool::kManaged, texture),
            DeviceResult::kOk);
  EXPECT_EQ(texture->Width(), 128);
  EXPECT_EQ(texture->Height(), 64);

  faults_->failTextureCreations = 1;
  EXPECT_EQ(device_->CreateTexture(4, 4, TextureFormat::kA8R8G8B8, TexturePool::kManaged, texture),
            DeviceResult::kOutOfMemory);
  EXPECT_EQ(device_->CreateTexture(4, 4, TextureFormat::kA8R8G8B8, TexturePool::kManaged, texture),
            DeviceResult::kOk);
}

TEST_F(SoftwareDeviceTest, LockingFollowsTheLockRules) {
  std::unique_ptr<RenderTexture> texture;
  ASSERT_EQ(device_->CreateTexture(3, 2, TextureFormat::kA4R4G4B4, TexturePool::kManaged, texture),
            DeviceResult::kOk);
  uint8_t* bits = nullptr;
  int32_t pitch = 0;
  EXPECT_EQ(texture->Unlock(), DeviceResult::kInvalidCall);
  const uint64_t revision = texture->Revision();
  ASSERT_EQ(texture->Lock(bits, pitch), DeviceResult::kOk);
  EXPECT_NE(bits, nullptr);
  EXPECT_GE(pitch, 3 * 2);
  uint8_t* again = nullptr;
  EXPECT_EQ(texture->Lock(again, pitch), DeviceResult::kInvalidCall);
  EXPECT_EQ(again, nullptr);
  EXPECT_EQ(texture->Unlock(), DeviceResult::kOk);
  EXPECT_NE(texture->Revision(), revision);

  faults_->failLocks = 1;
  EXPECT_EQ(texture->Lock(bits, pitch), DeviceResult::kInvalidCall);
  EXPECT_EQ(bits, nullptr);
  EXPECT_EQ(texture->Lock(bits, pitch), DeviceResult::kOk);
}

// ---- device loss ----

TEST_F(SoftwareDeviceTest, LostDeviceSwallowsDrawingUntilItIsReset) {
  faults_->presentResults = {DeviceResult::kDeviceLost};
  faults_->cooperativeResults = {DeviceResult::kDeviceLost, DeviceResult::kDeviceLost};
  ASSERT_EQ(device_->BeginScene(), DeviceResult::kOk);
  ASSERT_EQ(device_->EndScene(), DeviceResult::kOk);
  EXPECT_EQ(device_->Present(), DeviceResult::kDeviceLost);
  EXPECT_EQ(device_->Present(), DeviceResult::kDeviceLost);

  DrawQuad(*device_, MakeQuad(-0.5f, -0.5f, 3.5f, 3.5f));
  EXPECT_EQ(ReadFrame(*device_).At(1, 1), 0u);

  EXPECT_EQ(device_->TestCooperativeLevel(), DeviceResult::kDeviceLost);
  EXPECT_EQ(device_->TestCooperativeLevel(), DeviceResult::kDeviceLost);
  EXPECT_EQ(device_->TestCooperativeLevel(), DeviceResult::kDeviceNotReset);

  PresentParameters parameters;
  parameters.backBufferWidth = 32;
  parameters.backBufferHeight = 24;
  ASSERT_EQ(device_->Reset(parameters), DeviceResult::kOk);
  EXPECT_EQ(device_->TestCooperativeLevel(), DeviceResult::kOk);
  EXPECT_EQ(device_->BackBufferWidth(), 32);
  EXPECT_EQ(device_->BackBufferHeight(), 24);
  Viewport viewport;
  device_->GetViewport(viewport);
  EXPECT_EQ(viewport.width, 32);
  EXPECT_EQ(viewport.height, 24);
  EXPECT_EQ(device_->Present(), DeviceResult::kOk);
}

TEST_F(SoftwareDeviceTest, ResetForgetsStatesAndTextureButKeepsTextures) {
  auto texture = MakeTexture(*device_, 1, 1, {0xFF0000FFu});
  device_->SetRenderStates(testing::GameStates());
  device_->SetTexture(texture.get());
  ASSERT_EQ(device_->Reset(PresentParameters{16, 16}), DeviceResult::kOk);
  EXPECT_EQ(device_->GetRenderStates(), RenderStates{});
  DrawQuad(*device_, MakeQuad(-0.5f, -0.5f, 0.5f, 0.5f, 0xFF00FF00u));
  EXPECT_EQ(ReadFrame(*device_).At(0, 0), 0x00FF00u);  // no texture bound any more
  device_->SetTexture(texture.get());
  DrawQuad(*device_, MakeQuad(-0.5f, -0.5f, 0.5f, 0.5f));
  EXPECT_EQ(ReadFrame(*device_).At(0, 0), 0x0000FFu);  // its texels survived
}

TEST_F(SoftwareDeviceTest, FailedResetLeavesTheDeviceLost) {
  faults_->presentResults = {DeviceResult::kDeviceLost};
  faults_->resetResults = {DeviceResult::kDeviceLost};
  EXPECT_EQ(device_->Present(), DeviceResult::kDeviceLost);
  EXPECT_EQ(device_->Reset(PresentParameters{16, 16}), DeviceResult::kDeviceLost);
  EXPECT_EQ(device_->TestCooperativeLevel(), DeviceResult::kDeviceNotReset);
  EXPECT_EQ(device_->Present(), DeviceResult::kDeviceLost);
  EXPECT_EQ(device_->Reset(PresentParameters{16, 16}), DeviceResult::kOk);
  EXPECT_EQ(device_->Present(), DeviceResult::kOk);
}

TEST_F(SoftwareDeviceTest, WaitsGoThroughTheInjectedSleep) {
  uint64_t virtualTime = 0;
  faults_->sleep = [&virtualTime](uint32_t ms) { virtualTime += ms; };
  // The shape of a lost-device wait: test, then sleep, until the device can
  // be reset.
  faults_->cooperativeResults.assign(5, DeviceResult::kDeviceLost);
  faults_->cooperativeResults.push_back(DeviceResult::kDeviceNotReset);
  int tests = 0;
  while (device_->TestCooperativeLevel() == DeviceResult::kDeviceLost && tests < 20) {
    ++tests;
    device_->Sleep(500);
  }
  EXPECT_EQ(tests, 5);
  EXPECT_EQ(virtualTime, 2500u);
  EXPECT_EQ(faults_->sleeps, std::vector<uint32_t>(5, 500u));
}

TEST_F(SoftwareDeviceTest, ScriptedClearAndViewportFailuresAreReported) {
  faults_->clearResults = {DeviceResult::kInvalidCall};
  faults_->viewportResults = {DeviceResult::kInvalidCall};
  EXPECT_EQ(device_->Clear(0xFF000000u), DeviceResult::kInvalidCall);
  EXPECT_EQ(device_->Clear(0xFF000000u), DeviceResult::kOk);
  Viewport viewport;
  EXPECT_EQ(device_->GetViewport(viewport), DeviceResult::kInvalidCall);
  EXPECT_EQ(device_->GetViewport(viewport), DeviceResult::kOk);
}

TEST_F(SoftwareDeviceTest, ScenesDoNotNest) {
  EXPECT_EQ(device_->EndScene(), DeviceResult::kInvalidCall);
  EXPECT_EQ(device_->BeginScene(), DeviceResult::kOk);
  EXPECT_EQ(device_->BeginScene(), DeviceResult::kInvalidCall);
  EXPECT_EQ(device_->EndScene(), DeviceResult::kOk);
}

// ---- creation ----

TEST(RenderDeviceCreationTest, InjectedFailuresAndTheDesktopFormat) {
  auto faults = std::make_shared<RenderFaults>();
  DeviceCreateParams params;
  params.present.backBufferWidth = 8;
  params.present.backBufferHeight = 8;
  params.faults = faults;
  faults->failDeviceCreation = true;
  DeviceResult result = DeviceResult::kOk;
  EXPECT_EQ(CreateSoftwareDevice(params, result), nullptr);
  EXPECT_EQ(result, DeviceResult::kNotAvailable);

  faults->failDeviceCreation = false;
  faults->desktopFormat = TextureFormat::kR5G6B5;
  params.present.backBufferFormat = TextureFormat::kR5G6B5;
  auto device = CreateSoftwareDevice(params, result);
  ASSERT_NE(device, nullptr);
  DisplayMode mode;
  ASSERT_EQ(device->GetDisplayMode(mode), DeviceResult::kOk);
  EXPECT_EQ(mode.format, TextureFormat::kR5G6B5);
  EXPECT_EQ(device->BackBufferFormat(), TextureFormat::kR5G6B5);

  faults->failDisplayMode = true;
  EXPECT_NE(device->GetDisplayMode(mode), DeviceResult::kOk);

  params.present.backBufferWidth = -4;
  faults->failDisplayMode = false;
  EXPECT_EQ(CreateSoftwareDevice(params, result), nullptr);
  EXPECT_NE(result, DeviceResult::kOk);
}

TEST(RenderDeviceCreationTest, HeadlessChoiceIsTheSoftwareDevice) {
  DeviceCreateParams params;
  params.present.backBufferWidth = 8;
  params.present.backBufferHeight = 8;
  DeviceResult result = DeviceResult::kInvalidCall;
  auto device = CreateRenderDevice(params, result);
  ASSERT_NE(device, nullptr);
  EXPECT_EQ(device->Backend(), RenderBackend::kSoftware);
  EXPECT_EQ(DeviceResultName(DeviceResult::kDeviceLost), "D3DERR_DEVICELOST");
}

}  // namespace
}  // namespace platform
