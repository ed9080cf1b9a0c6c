#include "display/image/tga_image.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/temp_folder.h"

namespace {

std::vector<uint8_t> TgaHeader(uint8_t type, uint16_t width, uint16_t height, uint8_t bits, uint8_t descriptor = 0) {
  return {0,    0, type, 0, 0, 0, 0, 0, 0, 0, 0, 0, static_cast<uint8_t>(width), static_cast<uint8_t>(width >> 8),
          static_cast<uint8_t>(height), static_cast<uint8_t>(height >> 8), bits, descriptor};
}

std::vector<uint8_t> Joined(std::vector<uint8_t> head, const std::vector<uint8_t>& tail) {
  head.insert(head.end(), tail.begin(), tail.end());
  return head;
}

// Loads the bytes as a TGA file; the message shown, if any, is kept.
struct TLoaded {
  bool ok;
  std::string message;
};

TLoaded LoadBytes(TTgaImage& image, const std::vector<uint8_t>& bytes) {
  TTempFolder folder;
  folder.WriteBytes("image.tga", bytes);
  ::testing::internal::CaptureStderr();
  const bool ok = image.Load("image.tga");
  return {ok, ::testing::internal::GetCapturedStderr()};
}

TTgaImage Pattern(uint32_t width, uint32_t height, uint32_t bits) {
  TTgaImage image;
  image.Create(width, height, bits);
  for (uint32_t y = 0; y < height; ++y) {
    for (uint32_t x = 0; x < width; ++x) {
      for (uint32_t c = 0; c < bits / 8; ++c) image.SetChannel(x, y, c, static_cast<uint8_t>(x * 17 + y * 5 + c * 60));
    }
  }
  return image;
}

std::vector<uint8_t> PixelsOf(const TTgaImage& image) {
  return std::vector<uint8_t>(image.GetPixels(), image.GetPixels() + image.GetWidth() * image.GetHeight() * image.GetBytesPerPixel());
}

TEST(TgaImage, UncompressedRoundTrip) {
  for (uint32_t bits : {24u, 32u}) {
    TTempFolder folder;
    TTgaImage original = Pattern(7, 5, bits);
    const std::vector<uint8_t> expected = PixelsOf(original);
    original.PrepareForSave();
    ASSERT_TRUE(original.Save("x"));
    TTgaImage loaded;
    ASSERT_TRUE(loaded.Load("x.tga"));
    EXPECT_EQ(loaded.GetWidth(), 7u);
    EXPECT_EQ(loaded.GetHeight(), 5u);
    EXPECT_EQ(loaded.GetBytesPerPixel(), bits / 8);
    EXPECT_EQ(PixelsOf(loaded), expected) << bits;
  }
}

// Encodes bottom-up BGR(A) rows the simple way: runs of equal pixels, else literals.
std::vector<uint8_t> RunLengthEncode(const std::vector<uint8_t>& filePixels, uint32_t bytesPerPixel) {
  std::vector<uint8_t> out;
  const std::size_t count = filePixels.size() / bytesPerPixel;
  auto same = [&](std::size_t a, std::size_t b) {
    return std::equal(&filePixels[a * bytesPerPixel], &filePixels[(a + 1) * bytesPerPixel], &filePixels[b * bytesPerPixel]);
  };
  for (std::size_t i = 0; i < count;) {
    std::size_t run = 1;
    while (i + run < count && run < 128 && same(i, i + run)) ++run;
    if (run > 1) {
      out.push_back(static_cast<uint8_t>(127 + run));
      out.insert(out.end(), &filePixels[i * bytesPerPixel], &filePixels[(i + 1) * bytesPerPixel]);
      i += run;
      continue;
    }
    std::size_t literal = 1;
    while (i + literal < count && literal < 128 && !(i + literal + 1 < count && same(i + literal, i + literal + 1))) ++literal;
    out.push_back(static_cast<uint8_t>(literal - 1));
    out.insert(out.end(), &filePixels[i * bytesPerPixel], &filePixels[(i + literal) * bytesPerPixel]);
    i += literal;
  }
  return out;
}

TEST(TgaImage, RunLengthRoundTrip) {
  for (uint32_t bits : {24u, 32u}) {
    TTgaImage original = Pattern(300, 3, bits);
    for (uint32_t x = 0; x < 200; ++x) {
      for (uint32_t c = 0; c < bits / 8; ++c) original.SetChannel(x, 1, c, 9);  // a long run
    }
    const std::vector<uint8_t> expected = PixelsOf(original);
    original.PrepareForSave();
    const std::vector<uint8_t> body = RunLengthEncode(PixelsOf(original), bits / 8);
    TTgaImage loaded;
    ASSERT_TRUE(LoadBytes(loaded, Joined(TgaHeader(10, 300, 3, static_cast<uint8_t>(bits)), body)).ok);
    EXPECT_EQ(PixelsOf(loaded), expected) << bits;
  }
}

struct TRefusal {
  const char* name;
  std::vector<uint8_t> bytes;
  const char* message;
};

void PrintTo(const TRefusal& c, std::ostream* os) { *os << c.name; }

class TgaRefusals : public ::testing::TestWithParam<TRefusal> {};

TEST_P(TgaRefusals, LoadFailsWithTheMessage) {
  TTgaImage image;
  const TLoaded loaded = LoadBytes(image, GetParam().bytes);
  EXPECT_FALSE(loaded.ok);
  EXPECT_NE(loaded.message.find(GetParam().message), std::string::npos) << loaded.message;
}

std::vector<TRefusal> Refusals() {
  const std::vector<uint8_t> pixel = {1, 2, 3};
  std::vector<TRefusal> cases;
  auto withByte = [](std::size_t at, uint8_t value) {
    std::vector<uint8_t> bytes = Joined(TgaHeader(2, 1, 1, 24), {1, 2, 3});
    bytes[at] = value;
    return bytes;
  };
  cases.push_back({"image_id", withByte(0, 1), "InvalidImage: TGA file should be type 2 or type 10"});
  cases.push_back({"colour_map", withByte(1, 1), "InvalidImage: TGA file should be type 2 or type 10"});
  cases.push_back({"x_origin", withByte(8, 4), "InvalidImage: TGA file should be type 2 or type 10"});
  cases.push_back({"type_3", withByte(2, 3), "InvalidImage: TGA file should be type 2 or type 10"});
  cases.push_back({"short_header", {0, 0, 2}, "Could not read tga file header"});
  cases.push_back({"no_image_info", {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}, "Could not read tga image info header"});
  cases.push_back({"sixteen_bits", Joined(TgaHeader(2, 1, 1, 16), {1, 2}), "Invalid tga image information"});
  cases.push_back({"zero_width", TgaHeader(2, 0, 10, 24), "Invalid tga image information"});
  cases.push_back({"short_data", Joined(TgaHeader(2, 2, 1, 24), pixel), "Could not read image data"});
  cases.push_back({"huge_claim_no_data", TgaHeader(2, 65535, 65535, 32), "Could not read image data"});
  cases.push_back({"huge_rle_claim", Joined(TgaHeader(10, 65535, 65535, 32), {0xFF, 1, 2, 3, 4}), "Could not read tga RLE header"});
  cases.push_back({"rle_past_last_pixel", Joined(TgaHeader(10, 2, 1, 24), {0x82, 1, 2, 3}), "Too many tga pixels read"});
  cases.push_back({"literal_past_last_pixel", Joined(TgaHeader(10, 2, 1, 24), {0x00, 1, 2, 3, 0x01, 1, 2, 3, 4, 5, 6}), "Too many tga pixels read"});
  cases.push_back({"rle_pixel_missing", Joined(TgaHeader(10, 2, 1, 24), {0x80, 1, 2, 3, 0x80, 1, 2}), "Could not read from tga file"});
  cases.push_back({"literal_pixel_missing", Joined(TgaHeader(10, 2, 1, 24), {0x01, 1, 2, 3, 4, 5}), "Could not read tga image data"});
  cases.push_back({"header_missing", Joined(TgaHeader(10, 2, 1, 24), {0x80, 1, 2, 3}), "Could not read tga RLE header"});
  return cases;
}

INSTANTIATE_TEST_SUITE_P(Crafted, TgaRefusals, ::testing::ValuesIn(Refusals()));

TEST(TgaImage, MissingFileShowsTheName) {
  TTempFolder folder;
  TTgaImage image;
  ::testing::internal::CaptureStderr();
  EXPECT_FALSE(image.Load("nothing.tga"));
  EXPECT_NE(::testing::internal::GetCapturedStderr().find("Unable to open file nothing.tga"), std::string::npos);
}

TEST(TgaImage, PacketLengthsAndTrailingBytes) {
  // 0xFF stores 128 pixels, 0x80 one, literal 0x7F reads 128; bytes after the image are ignored.
  std::vector<uint8_t> body = {0xFF, 10, 20, 30, 0x80, 40, 50, 60, 0x7F};
  for (int i = 0; i < 128; ++i) body.insert(body.end(), {static_cast<uint8_t>(i), 0, 0});
  body.insert(body.end(), {0xFF, 0xFF, 0xFF, 0xFF});
  TTgaImage image;
  ASSERT_TRUE(LoadBytes(image, Joined(TgaHeader(10, 257, 1, 24, 32), body)).ok);
  EXPECT_EQ(image.GetChannel(0, 0, 0), 30);
  EXPECT_EQ(image.GetChannel(127, 0, 2), 10);
  EXPECT_EQ(image.GetChannel(128, 0, 0), 60);
  EXPECT_EQ(image.GetChannel(129, 0, 2), 0);
  EXPECT_EQ(image.GetChannel(256, 0, 2), 127);
}

TEST(TgaImage, DescriptorBitFiveKeepsFileRowOrder) {
  const std::vector<uint8_t> rows = {1, 1, 1, 2, 2, 2};  // first row in the file: 1
  TTgaImage topDown;
  ASSERT_TRUE(LoadBytes(topDown, Joined(TgaHeader(2, 1, 2, 24, 32), rows)).ok);
  EXPECT_EQ(topDown.GetChannel(0, 0, 0), 1);
  TTgaImage bottomUp;
  ASSERT_TRUE(LoadBytes(bottomUp, Joined(TgaHeader(2, 1, 2, 24, 0), rows)).ok);
  EXPECT_EQ(bottomUp.GetChannel(0, 0, 0), 2);
  EXPECT_TRUE(bottomUp.IsBottomUp());
}

TEST(TgaImage, CreateAndSaveWritesHeaderAndPixels) {
  TTempFolder folder;
  TTgaImage image;
  image.Create(256, 256, 24);
  ASSERT_TRUE(image.Save("x"));
  const std::vector<uint8_t> bytes = folder.ReadBytes("x.tga");
  ASSERT_EQ(bytes.size(), 18u + 196608u);
  EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 18), TgaHeader(2, 256, 256, 24));
}

TEST(TgaImage, DropAlphaKeepsColour) {
  TTgaImage image = Pattern(3, 2, 32);
  const std::vector<uint8_t> before = PixelsOf(image);
  image.DropAlpha();
  ASSERT_EQ(image.GetBytesPerPixel(), 3u);
  for (uint32_t i = 0; i < 6; ++i) {
    EXPECT_EQ(image.GetPixels()[i * 3 + 1], before[i * 4 + 1]);
    EXPECT_EQ(image.GetPixels()[i * 3 + 2], before[i * 4 + 2]);
  }
  const std::vector<uint8_t> threeBytes = PixelsOf(image);
  image.DropAlpha();
  EXPECT_EQ(PixelsOf(image), threeBytes);
}

TEST(TgaImage, AlphaToColourKeyThresholds) {
  struct TCase {
    uint8_t alpha;
    bool keyedEven;
    bool keyedOdd;
  };
  for (const TCase c : {TCase{62, true, true}, TCase{63, true, false}, TCase{169, true, false}, TCase{170, false, false}}) {
    TTgaImage image;
    image.Create(2, 1, 32);
    for (uint32_t x = 0; x < 2; ++x) {
      image.SetChannel(x, 0, 0, 7);
      image.SetChannel(x, 0, 3, c.alpha);
    }
    image.AlphaToColourKey();
    EXPECT_EQ(image.GetChannel(0, 0, 2) == 255, c.keyedEven) << int(c.alpha);
    EXPECT_EQ(image.GetChannel(1, 0, 2) == 255, c.keyedOdd) << int(c.alpha);
    if (c.keyedEven) {
      EXPECT_EQ(image.GetChannel(0, 0, 3), 255);
    }
  }
  TTgaImage opaque = Pattern(2, 2, 24);
  const std::vector<uint8_t> before = PixelsOf(opaque);
  opaque.AlphaToColourKey();
  EXPECT_EQ(PixelsOf(opaque), before);
  EXPECT_EQ(opaque.GetChannel(5, 5, 0), 0);  // outside the picture
}

}  // namespace
