// The software device's rasteriser against the plain reference one kept in
// the tests: randomised triangles under every combination of texture kind,
// stage-0 operations, blending, alpha test and addressing must leave the
// same pixels, inside the clip rectangle and out of it.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <iterator>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "platform/reference_raster.h"
#include "platform/render_device.h"
#include "platform/render_device_raster.h"

namespace platform {
namespace {

constexpr int32_t kPitch = 80;
constexpr int32_t kRows = 56;

// Draws the same calls into two buffers, one with the device's rasteriser
// and one with the reference, starting from the same noise.
class RasterPair {
 public:
  RasterPair(uint32_t seed, int32_t clipLeft, int32_t clipTop, int32_t clipRight, int32_t clipBottom)
      : fast_(static_cast<size_t>(kPitch) * kRows), slow_(fast_.size()) {
    std::mt19937 noise(seed);
    for (uint32_t& pixel : fast_) pixel = static_cast<uint32_t>(noise());
    slow_ = fast_;
    for (RasterTarget* target : {&fastTarget_, &slowTarget_}) {
      target->pitch = kPitch;
      target->clipLeft = clipLeft;
      target->clipTop = clipTop;
      target->clipRight = clipRight;
      target->clipBottom = clipBottom;
    }
    fastTarget_.pixels = fast_.data();
    slowTarget_.pixels = slow_.data();
  }

  void Draw(const RenderVertex& a, const RenderVertex& b, const RenderVertex& c,
            const RenderStates& states, const RenderTexture* texture) {
    RasterTriangle(fastTarget_, a, b, c, states, texture);
    reference_raster::DrawTriangle(slowTarget_, a, b, c, states, texture);
  }

  // The first pixel that differs as "x,y fast=... reference=...", or "".
  std::string FirstDifference() const {
    for (size_t i = 0; i < fast_.size(); ++i) {
      if (fast_[i] == slow_[i]) continue;
      char text[96];
      std::snprintf(text, sizeof text, "%d,%d fast=%08x reference=%08x", static_cast<int>(i % kPitch),
                    static_cast<int>(i / kPitch), fast_[i], slow_[i]);
      return text;
    }
    return "";
  }

  // How many pixels the draws changed (so a case that draws nothing is seen).
  size_t ChangedFrom(const RasterPair& untouched) const {
    size_t changed = 0;
    for (size_t i = 0; i < fast_.size(); ++i) changed += fast_[i] != untouched.fast_[i];
    return changed;
  }

 private:
  std::vector<uint32_t> fast_;
  std::vector<uint32_t> slow_;
  RasterTarget fastTarget_;
  RasterTarget slowTarget_;
};

std::unique_ptr<RenderTexture> NoiseTexture(int32_t width, int32_t height, TextureFormat format,
                                            uint32_t seed) {
  auto texture = std::make_unique<RenderTexture>(width, height, format, TexturePool::kManaged, nullptr);
  uint8_t* bits = nullptr;
  int32_t pitch = 0;
  EXPECT_EQ(texture->Lock(bits, pitch), DeviceResult::kOk);
  std::mt19937 noise(seed);
  const int32_t rowBytes = width * BytesPerTexel(format);
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < rowBytes; ++x) bits[y * pitch + x] = static_cast<uint8_t>(noise());
    // Some texels wholly transparent and some wholly opaque, as the art has.
    if (format == TextureFormat::kA8R8G8B8) {
      for (int32_t x = 0; x < width; x += 3) bits[y * pitch + x * 4 + 3] = (x + y) % 2 ? 0xFF : 0x00;
    }
  }
  texture->Unlock();
  return texture;
}

// Random numbers drawn from the raw engine, so the cases are the same with
// every standard library.
class Dice {
 public:
  explicit Dice(uint32_t seed) : engine_(seed) {}
  uint32_t Below(uint32_t n) { return static_cast<uint32_t>(engine_() % n); }
  // A coordinate on a 1/64 pixel grid between low and high, now and then a
  // whole pixel or a half one, as the display's sprites have.
  float Position(float low, float high) {
    const float steps = (high - low) * 64.0f;
    float value = low + static_cast<float>(Below(static_cast<uint32_t>(steps))) / 64.0f;
    const uint32_t snap = Below(4);
    if (snap == 0) value = static_cast<float>(static_cast<int32_t>(value));
    if (snap == 1) value = static_cast<float>(static_cast<int32_t>(value)) - 0.5f;
    return value;
  }
  float Coordinate() { return static_cast<float>(static_cast<int32_t>(Below(801)) - 300) / 100.0f; }
  uint32_t Colour() {
    static constexpr uint32_t kAlphas[] = {0x00, 0x07, 0x08, 0x80, 0xFF};
    const uint32_t alpha = Below(2) ? kAlphas[Below(5)] : Below(256);
    return alpha << 24 | (static_cast<uint32_t>(engine_()) & 0xFFFFFFu);
  }

 private:
  std::mt19937 engine_;
};

RenderVertex Vertex(float x, float y, uint32_t colour, float u, float v) {
  RenderVertex vertex;
  vertex.x = x;
  vertex.y = y;
  vertex.colour = colour;
  vertex.u = u;
  vertex.v = v;
  return vertex;
}

struct Blending {
  bool on;
  BlendFactor source;
  BlendFactor destination;
};

constexpr Blending kBlendings[] = {
    {false, BlendFactor::kOne, BlendFactor::kZero},
    {true, BlendFactor::kSrcAlpha, BlendFactor::kInvSrcAlpha},
    {true, BlendFactor::kOne, BlendFactor::kOne},
    {true, BlendFactor::kSrcAlpha, BlendFactor::kOne},
    {true, BlendFactor::kZero, BlendFactor::kInvSrcAlpha},
};

struct AlphaTesting {
  bool on;
  CompareFunction function;
  uint8_t reference;
};

constexpr AlphaTesting kAlphaTests[] = {
    {false, CompareFunction::kAlways, 0},     {true, CompareFunction::kGreaterEqual, 8},
    {true, CompareFunction::kGreater, 0x80},  {true, CompareFunction::kLess, 0x80},
    {true, CompareFunction::kEqual, 0xFF},    {true, CompareFunction::kNotEqual, 0},
    {true, CompareFunction::kLessEqual, 7},   {true, CompareFunction::kNever, 0},
    {true, CompareFunction::kAlways, 0},
};

constexpr TextureOp kOps[] = {TextureOp::kDisable, TextureOp::kSelectTexture,
                              TextureOp::kSelectDiffuse, TextureOp::kModulate};

struct Addressing {
  TextureAddress u;
  TextureAddress v;
};

constexpr Addressing kAddressings[] = {
    {TextureAddress::kWrap, TextureAddress::kWrap},
    {TextureAddress::kClamp, TextureAddress::kClamp},
    {TextureAddress::kWrap, TextureAddress::kClamp},
};

struct Clip {
  int32_t left, top, right, bottom;
};

// The whole buffer but its last columns (the pitch is wider) and a window
// inside it.
constexpr Clip kClips[] = {{0, 0, 72, kRows}, {7, 5, 61, 43}};

class RasterEquivalenceTest : public ::testing::Test {
 protected:
  RasterEquivalenceTest() {
    textures_.push_back(nullptr);
    textures_.push_back(NoiseTexture(16, 16, TextureFormat::kA8R8G8B8, 1));
    textures_.push_back(NoiseTexture(12, 10, TextureFormat::kA8R8G8B8, 2));
    textures_.push_back(NoiseTexture(8, 8, TextureFormat::kX8R8G8B8, 3));
    textures_.push_back(NoiseTexture(8, 4, TextureFormat::kA4R4G4B4, 4));
    textures_.push_back(NoiseTexture(5, 7, TextureFormat::kR5G6B5, 5));
    textures_.push_back(NoiseTexture(1, 1, TextureFormat::kA8R8G8B8, 6));
  }

  // Every state combination, each drawn with the triangles `draw` makes.
  template <typename DrawCase>
  void ForEveryCombination(uint32_t seed, DrawCase&& draw) {
    uint32_t combination = 0;
    size_t changed = 0;
    for (const auto& texture : textures_) {
      for (TextureOp colourOp : kOps) {
        for (TextureOp alphaOp : kOps) {
          for (const Blending& blending : kBlendings) {
            for (const AlphaTesting& test : kAlphaTests) {
              ++combination;
              RenderStates states;
              states.colourOp = colourOp;
              states.alphaOp = alphaOp;
              states.alphaBlend = blending.on;
              states.srcBlend = blending.source;
              states.destBlend = blending.destination;
              states.alphaTest = test.on;
              states.alphaFunc = test.function;
              states.alphaRef = test.reference;
              const Addressing& addressing = kAddressings[combination % std::size(kAddressings)];
              states.addressU = addressing.u;
              states.addressV = addressing.v;
              const Clip& clip = kClips[combination % std::size(kClips)];
              RasterPair pair(seed + combination, clip.left, clip.top, clip.right, clip.bottom);
              const RasterPair untouched = pair;
              Dice dice(seed * 7919u + combination);
              draw(pair, dice, states, texture.get());
              const std::string difference = pair.FirstDifference();
              ASSERT_EQ(difference, "") << "combination " << combination << " texture "
                                        << (texture ? static_cast<int>(texture->Format()) : 0)
                                        << " colourOp " << static_cast<int>(colourOp) << " alphaOp "
                                        << static_cast<int>(alphaOp) << " blend " << blending.on
                                        << " alpha test " << static_cast<int>(test.function);
              changed += pair.ChangedFrom(untouched);
            }
          }
        }
      }
    }
    EXPECT_GT(changed, size_t{0});  // the cases do draw
  }

  std::vector<std::unique_ptr<RenderTexture>> textures_;
};

TEST_F(RasterEquivalenceTest, RandomTrianglesMatchTheReferencePixelForPixel) {
  ForEveryCombination(11, [](RasterPair& pair, Dice& dice, const RenderStates& states,
                             const RenderTexture* texture) {
    for (int i = 0; i < 4; ++i) {
      RenderVertex v[3];
      for (RenderVertex& vertex : v) {
        const uint32_t colour = dice.Colour();
        vertex = Vertex(dice.Position(-12.0f, 84.0f), dice.Position(-12.0f, 68.0f), colour,
                        dice.Coordinate(), dice.Coordinate());
      }
      if (dice.Below(3) == 0) v[1].colour = v[2].colour = v[0].colour;  // flat
      pair.Draw(v[0], v[1], v[2], states, texture);
    }
  });
}

TEST_F(RasterEquivalenceTest, QuadsSharingAnEdgeMatchTheReference) {
  ForEveryCombination(23, [](RasterPair& pair, Dice& dice, const RenderStates& states,
                             const RenderTexture* texture) {
    for (int i = 0; i < 3; ++i) {
      // Any four corners drawn as a strip, so the two halves share a diagonal.
      RenderVertex v[4];
      for (RenderVertex& vertex : v) {
        vertex = Vertex(dice.Position(-8.0f, 80.0f), dice.Position(-8.0f, 64.0f), dice.Colour(),
                        dice.Coordinate(), dice.Coordinate());
      }
      pair.Draw(v[0], v[1], v[2], states, texture);
      pair.Draw(v[1], v[3], v[2], states, texture);
    }
  });
}

TEST_F(RasterEquivalenceTest, AxisAlignedSpritesMatchTheReference) {
  ForEveryCombination(37, [](RasterPair& pair, Dice& dice, const RenderStates& states,
                             const RenderTexture* texture) {
    for (int i = 0; i < 3; ++i) {
      // A sprite as the display draws one: corners at -0.5 (or anywhere, when
      // zoomed), texture corners 0..1 or a cut of the sheet, maybe mirrored.
      const float x = dice.Position(-20.0f, 76.0f);
      const float y = dice.Position(-20.0f, 60.0f);
      const float width = static_cast<float>(1 + dice.Below(40)) * (dice.Below(3) ? 1.0f : 0.75f);
      const float height = static_cast<float>(1 + dice.Below(40)) * (dice.Below(3) ? 1.0f : 0.5f);
      float u0 = 0.0f, u1 = 1.0f, v0 = 0.0f, v1 = 1.0f;
      if (dice.Below(2)) {
        u0 = static_cast<float>(dice.Below(8)) / 16.0f;
        v0 = static_cast<float>(dice.Below(8)) / 16.0f;
        u1 = u0 + static_cast<float>(1 + dice.Below(8)) / 16.0f;
        v1 = v0 + static_cast<float>(1 + dice.Below(8)) / 16.0f;
      }
      if (dice.Below(4) == 0) std::swap(u0, u1);
      const uint32_t colour = dice.Below(2) ? 0xFFFFFFFFu : dice.Colour();
      const RenderVertex tl = Vertex(x, y, colour, u0, v0);
      const RenderVertex tr = Vertex(x + width, y, colour, u1, v0);
      const RenderVertex bl = Vertex(x, y + height, colour, u0, v1);
      const RenderVertex br = Vertex(x + width, y + height, colour, u1, v1);
      pair.Draw(tl, tr, bl, states, texture);
      pair.Draw(tr, br, bl, states, texture);
    }
  });
}

TEST(RasterEquivalenceEdgeCases, DegenerateFarAndNonFiniteTrianglesMatchTheReference) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  const struct {
    float ax, ay, bx, by, cx, cy;
  } kCases[] = {
      {0, 0, 10, 0, 20, 0},              // a line
      {5, 5, 5, 5, 5, 5},                // a point
      {-1e9f, -1e9f, 1e9f, 0, 0, 1e9f},  // past the far clamp
      {-3e6f, 10, 3e6f, 10.5f, 4, 3e6f}, // huge but across the target
      {nan, 0, 10, 0, 0, 10},
      {0, inf, 10, 0, 0, 10},
      {1e5f, 1e5f, 1e5f + 1, 1e5f, 1e5f, 1e5f + 1},  // far off, tiny
      {30.25f, -100.0f, 31.75f, 200.0f, 29.5f, 50.0f},  // a sliver across every row
  };
  auto texture = NoiseTexture(16, 16, TextureFormat::kA8R8G8B8, 9);
  RenderStates states;
  states.alphaBlend = true;
  states.srcBlend = BlendFactor::kSrcAlpha;
  states.destBlend = BlendFactor::kInvSrcAlpha;
  states.alphaOp = TextureOp::kModulate;
  for (const auto& c : kCases) {
    RasterPair pair(99, 3, 2, 70, 50);
    pair.Draw(Vertex(c.ax, c.ay, 0xFF102030u, 0.0f, 0.0f), Vertex(c.bx, c.by, 0x80FFFFFFu, 7.5f, -2.0f),
              Vertex(c.cx, c.cy, 0xC0405060u, -3.0f, 9.0f), states, texture.get());
    EXPECT_EQ(pair.FirstDifference(), "") << c.ax << "," << c.ay << " " << c.bx << "," << c.by << " "
                                          << c.cx << "," << c.cy;
  }
}

}  // namespace
}  // namespace platform
