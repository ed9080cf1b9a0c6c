#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "display/d3d/texture_convert.h"
#include "display/image/pixel_shader.h"
#include "display/image/tga_image.h"

namespace tc = texture_convert;
using platform::TextureFormat;

namespace {

const tc::TChannelMasks kMasks32{0x00FF0000u, 0x0000FF00u, 0x000000FFu, 0xFF000000u};
const tc::TChannelMasks kMasks16{0x0F00u, 0x00F0u, 0x000Fu, 0xF000u};

struct Rgba {
  uint8_t r, g, b, a;
};

// An image of the given pixels, row by row, 4 or 3 bytes a pixel.
TTgaImage MakeImage(uint32_t width, uint32_t height, const std::vector<Rgba>& pixels, uint32_t bits = 32) {
  TTgaImage image;
  image.Create(width, height, bits);
  for (uint32_t y = 0; y < height; ++y) {
    for (uint32_t x = 0; x < width; ++x) {
      const Rgba& p = pixels[y * width + x];
      image.SetChannel(x, y, 0, p.r);
      image.SetChannel(x, y, 1, p.g);
      image.SetChannel(x, y, 2, p.b);
      if (bits == 32) image.SetChannel(x, y, 3, p.a);
    }
  }
  return image;
}

// A texel area with a guard band after every row and after the last one, so
// that a write outside the area shows.
struct Texels {
  Texels(int32_t width, int32_t height, int32_t texelBytes)
      : bytes(texelBytes), pitch(width * texelBytes + 8), memory(static_cast<std::size_t>(pitch * (height + 1)), 0xAB) {
    area = {memory.data(), pitch, width, height};
  }
  uint32_t At(int32_t x, int32_t y) const {
    uint32_t value = 0;
    std::memcpy(&value, memory.data() + y * pitch + x * bytes, static_cast<std::size_t>(bytes));
    return value;
  }
  bool GuardsIntact() const {
    for (int32_t y = 0; y <= area.height; ++y) {
      const int32_t from = y < area.height ? area.width * bytes : 0;
      for (int32_t i = from; i < pitch; ++i) {
        if (memory[static_cast<std::size_t>(y * pitch + i)] != 0xAB) return false;
      }
    }
    return true;
  }
  int32_t bytes;
  int32_t pitch;
  std::vector<uint8_t> memory;
  tc::TTexelArea area;
};

TEST(TextureConvert, RetrySizesArePowersOfTwoOfAtLeastTwo) {
  const int32_t cases[][2] = {{0, 2}, {1, 2}, {2, 2}, {3, 4}, {100, 128}, {256, 256}, {257, 512}};
  for (const auto& c : cases) EXPECT_EQ(tc::RetrySize(c[0]), c[1]) << c[0];
}

TEST(TextureConvert, FullResolutionPlacesChannelsByTheMasks) {
  const TTgaImage image = MakeImage(2, 1, {{0x11, 0x22, 0x33, 0x44}, {0xF0, 0x80, 0x3F, 0xFF}});
  Texels with32(2, 1, 4);
  tc::FillTexture32(image, kMasks32, true, with32.area);
  EXPECT_EQ(with32.At(0, 0), 0x44112233u);
  EXPECT_EQ(with32.At(1, 0), 0xFFF0803Fu);
  Texels without32(2, 1, 4);
  tc::FillTexture32(image, kMasks32, false, without32.area);
  EXPECT_EQ(without32.At(0, 0), 0x00112233u);

  Texels with16(2, 1, 2);
  tc::FillTexture16(image, kMasks16, true, with16.area);
  EXPECT_EQ(with16.At(0, 0), 0x4123u);
  EXPECT_EQ(with16.At(1, 0), 0xFF83u);
  Texels without16(2, 1, 2);
  tc::FillTexture16(image, kMasks16, false, without16.area);
  EXPECT_EQ(without16.At(1, 0), 0x0F83u);
  EXPECT_TRUE(with32.GuardsIntact() && with16.GuardsIntact());
}

TEST(TextureConvert, HalfResolutionAveragesBlocksAndDropsTheOddEdge) {
  // 3 x 3: the block of the top-left four pixels makes the one texel; the
  // last column and row are not used.
  const TTgaImage image = MakeImage(3, 3,
                                    {{1, 0, 8, 255}, {2, 4, 8, 255}, {200, 200, 200, 200},  //
                                     {2, 4, 8, 0},   {2, 7, 9, 0},   {200, 200, 200, 200},  //
                                     {99, 99, 99, 99}, {99, 99, 99, 99}, {99, 99, 99, 99}});
  Texels half32(1, 1, 4);
  tc::FillTexture32Half(image, kMasks32, true, half32.area);
  // Means truncated: red 7/4 = 1, green 15/4 = 3, blue 33/4 = 8, alpha 510/4 = 127.
  EXPECT_EQ(half32.At(0, 0), 0x7F010308u);
  Texels half16(1, 1, 2);
  tc::FillTexture16Half(image, kMasks16, true, half16.area);
  EXPECT_EQ(half16.At(0, 0), 0x7000u);
  EXPECT_TRUE(half32.GuardsIntact() && half16.GuardsIntact());
}

TEST(TextureConvert, CopyTexturesUseTheBackBufferLayout) {
  const TTgaImage image = MakeImage(1, 1, {{0xFF, 0xFF, 0xFF, 0x00}});
  struct Case {
    TextureFormat format;
    uint32_t white;
  };
  const Case cases[] = {{TextureFormat::kR5G6B5, 0xFFFFu},
                        {TextureFormat::kA4R4G4B4, 0x0FFFu},
                        {TextureFormat::kX4R4G4B4, 0x0FFFu},
                        {TextureFormat::kX1R5G5B5, 0x7FFFu},
                        {TextureFormat::kA1R5G5B5, 0x7FFFu}};
  for (const Case& c : cases) {
    Texels texels(1, 1, 2);
    tc::FillCopyTexture16(image, c.format, texels.area);
    EXPECT_EQ(texels.At(0, 0), c.white) << static_cast<int>(c.format);
  }
  const TTgaImage red = MakeImage(1, 1, {{0xFF, 0, 0, 0}});
  Texels texels(1, 1, 2);
  tc::FillCopyTexture16(red, TextureFormat::kR5G6B5, texels.area);
  EXPECT_EQ(texels.At(0, 0), 0xF800u);
}

TEST(TextureConvert, WritesStayInsideTheTexelArea) {
  // An image larger than the texture: only the texture's texels are written.
  std::vector<Rgba> pixels(5 * 4, Rgba{1, 2, 3, 4});
  const TTgaImage image = MakeImage(5, 4, pixels);
  Texels small32(3, 2, 4);
  tc::FillTexture32(image, kMasks32, true, small32.area);
  EXPECT_TRUE(small32.GuardsIntact());
  EXPECT_EQ(small32.At(2, 1), 0x04010203u);
  Texels small16(2, 1, 2);
  tc::FillTexture16Half(image, kMasks16, true, small16.area);
  EXPECT_TRUE(small16.GuardsIntact());
  // A smaller image leaves the rest of a larger texture as it was.
  Texels large(8, 8, 4);
  tc::FillTexture32(image, kMasks32, true, large.area);
  EXPECT_EQ(large.At(5, 0), 0xABABABABu);
  EXPECT_EQ(large.At(0, 4), 0xABABABABu);
}

TEST(TextureConvert, ImagesWithoutAlphaReadOpaque) {
  const TTgaImage image = MakeImage(1, 1, {{0x10, 0x20, 0x30, 0}}, 24);
  Texels texels(1, 1, 4);
  tc::FillTexture32(image, kMasks32, true, texels.area);
  EXPECT_EQ(texels.At(0, 0), 0xFF102030u);
}

TEST(TextureConvert, ShaderPassRecoloursOnlyTextureFormats) {
  const TColourSwapper swapper;
  Texels texels32(2, 1, 4);
  const uint32_t texel32[2] = {0x80123456u, 0x000000FFu};
  for (int i = 0; i < 2; ++i) std::memcpy(texels32.memory.data() + i * 4, &texel32[i], 4);
  tc::ShadeTexels(swapper, TextureFormat::kA8R8G8B8, texels32.area);
  EXPECT_EQ(texels32.At(0, 0), 0x80563412u);
  EXPECT_EQ(texels32.At(1, 0), 0x000000FFu);  // the colour key stays

  Texels texels16(1, 1, 2);
  const uint16_t texel16 = 0x3124;
  std::memcpy(texels16.memory.data(), &texel16, 2);
  tc::ShadeTexels(swapper, TextureFormat::kA4R4G4B4, texels16.area);
  EXPECT_EQ(texels16.At(0, 0), 0x3421u);

  Texels other(1, 1, 2);
  std::memcpy(other.memory.data(), &texel16, 2);
  tc::ShadeTexels(swapper, TextureFormat::kR5G6B5, other.area);
  EXPECT_EQ(other.At(0, 0), 0x3124u);
  EXPECT_TRUE(texels32.GuardsIntact() && texels16.GuardsIntact());
}

}  // namespace
