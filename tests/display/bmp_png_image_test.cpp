#include <gtest/gtest.h>
#include <png.h>

#include <cstring>
#include <string>
#include <vector>

#include "display/image/bmp_image.h"
#include "display/image/png_image.h"
#include "jpeg_test_files.h"
#include "support/temp_folder.h"

namespace {

void Put32(std::vector<uint8_t>& bytes, std::size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

// A 24-bit BMP whose pixel (x, y) in picture order is (x, y, 7) as R, G, B.
std::vector<uint8_t> MakeBmp(int32_t width, int32_t height, uint16_t bits = 24) {
  const uint32_t rows = static_cast<uint32_t>(height < 0 ? -height : height);
  const uint32_t stride = (static_cast<uint32_t>(width) * 3 + 3) & ~3u;
  std::vector<uint8_t> bytes(54 + stride * rows, 0);
  bytes[0] = 'B';
  bytes[1] = 'M';
  Put32(bytes, 2, static_cast<uint32_t>(bytes.size()));
  Put32(bytes, 10, 54);
  Put32(bytes, 14, 40);
  Put32(bytes, 18, static_cast<uint32_t>(width));
  Put32(bytes, 22, static_cast<uint32_t>(height));
  bytes[26] = 1;
  bytes[28] = static_cast<uint8_t>(bits);
  for (uint32_t fileRow = 0; fileRow < rows; ++fileRow) {
    const uint32_t y = height < 0 ? fileRow : rows - 1 - fileRow;
    for (int32_t x = 0; x < width; ++x) {
      uint8_t* pixel = &bytes[54 + fileRow * stride + x * 3];
      pixel[0] = 7;
      pixel[1] = static_cast<uint8_t>(y);
      pixel[2] = static_cast<uint8_t>(x);
    }
  }
  return bytes;
}

struct TBmpCase {
  const char* name;
  int32_t width;
  int32_t height;
};

void PrintTo(const TBmpCase& c, std::ostream* os) { *os << c.name; }

class BmpReading : public ::testing::TestWithParam<TBmpCase> {};

TEST_P(BmpReading, PixelsComeOutTopDownAsRgb) {
  const TBmpCase& c = GetParam();
  TTempFolder folder;
  folder.WriteBytes("a.bmp", MakeBmp(c.width, c.height));
  TBmpImage image;
  ASSERT_TRUE(image.Load("a.bmp"));
  const uint32_t rows = static_cast<uint32_t>(c.height < 0 ? -c.height : c.height);
  ASSERT_EQ(image.GetWidth(), static_cast<uint32_t>(c.width));
  ASSERT_EQ(image.GetHeight(), rows);
  ASSERT_EQ(image.GetBytesPerPixel(), 3u);
  ASSERT_NE(image.GetInfoHeader(), nullptr);
  for (uint32_t y = 0; y < rows; ++y) {
    for (uint32_t x = 0; x < static_cast<uint32_t>(c.width); ++x) {
      ASSERT_EQ(image.GetChannel(x, y, 0), x);
      ASSERT_EQ(image.GetChannel(x, y, 1), y);
      ASSERT_EQ(image.GetChannel(x, y, 2), 7);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Files, BmpReading,
                         ::testing::Values(TBmpCase{"aligned", 4, 3}, TBmpCase{"padded_rows", 5, 3},
                                           TBmpCase{"one_pixel", 1, 1}, TBmpCase{"top_down", 3, -4}));

TEST(BmpImage, RefusesWhatItCannotRead) {
  struct TCase {
    const char* name;
    std::vector<uint8_t> bytes;
    const char* message;
  };
  std::vector<uint8_t> notBm = MakeBmp(2, 2);
  notBm[0] = 'X';
  std::vector<uint8_t> truncated = MakeBmp(4, 4);
  truncated.resize(truncated.size() - 5);
  std::vector<uint8_t> huge = MakeBmp(1, 1);
  Put32(huge, 18, 0x7FFFFFFF);
  Put32(huge, 22, 0x7FFFFFFF);
  std::vector<uint8_t> shortInfo = MakeBmp(1, 1);
  shortInfo.resize(30);
  std::vector<uint8_t> negativeWidth = MakeBmp(1, 1);
  Put32(negativeWidth, 18, 0xFFFFFFFF);
  const TCase cases[] = {
      {"short_file_header", {'B', 'M', 0}, "Could not read bmp file header"},
      {"short_info_header", shortInfo, "Could not read bmp info header"},
      {"not_bm", notBm, "File not a bmp image"},
      {"eight_bits", MakeBmp(2, 2, 8), "File not a bmp image"},
      {"negative_width", negativeWidth, "File not a bmp image"},
      {"truncated_rows", truncated, "Could not read bmp image data"},
      {"huge_claim", huge, "Could not read bmp image data"},
  };
  for (const TCase& c : cases) {
    TTempFolder folder;
    folder.WriteBytes("b.bmp", c.bytes);
    TBmpImage image;
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(image.Load("b.bmp")) << c.name;
    EXPECT_NE(::testing::internal::GetCapturedStderr().find(c.message), std::string::npos) << c.name;
  }
  TBmpImage missing;
  ::testing::internal::CaptureStdout();
  ::testing::internal::CaptureStderr();
  EXPECT_FALSE(missing.Load("/nonexistent/c.bmp"));
  EXPECT_NE(::testing::internal::GetCapturedStderr().find("Unable to open File /nonexistent/c.bmp"), std::string::npos);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "eek!\n");
}

// ------------------------------------------------------------ PNG

std::vector<uint8_t> RgbaPattern(uint32_t width, uint32_t height) {
  std::vector<uint8_t> pixels(width * height * 4);
  for (uint32_t i = 0; i < width * height; ++i) {
    pixels[i * 4 + 0] = static_cast<uint8_t>(i * 3);
    pixels[i * 4 + 1] = static_cast<uint8_t>(i * 5 + 1);
    pixels[i * 4 + 2] = static_cast<uint8_t>(i * 7 + 2);
    pixels[i * 4 + 3] = static_cast<uint8_t>(255 - i);
  }
  return pixels;
}

bool WritePng(const std::string& path, uint32_t width, uint32_t height, const std::vector<uint8_t>& pixels,
              uint32_t format = PNG_FORMAT_RGBA) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = width;
  image.height = height;
  image.format = format;
  return png_image_write_to_file(&image, path.c_str(), 0, pixels.data(), 0, nullptr) != 0;
}

TEST(PngImage, ReadsRgbaPixels) {
  TTempFolder folder;
  const std::vector<uint8_t> pixels = RgbaPattern(5, 3);
  ASSERT_TRUE(WritePng(folder.Path("p.png").string(), 5, 3, pixels));
  TPngImage image;
  ASSERT_TRUE(image.Load("p.png"));
  EXPECT_EQ(image.GetWidth(), 5u);
  EXPECT_EQ(image.GetHeight(), 3u);
  EXPECT_EQ(std::vector<uint8_t>(image.GetPixels(), image.GetPixels() + pixels.size()), pixels);
}

TEST(PngImage, OtherLayoutsComeOutAsRgba) {
  TTempFolder folder;
  const std::vector<uint8_t> grey = {0, 100, 200, 255};
  ASSERT_TRUE(WritePng(folder.Path("g.png").string(), 2, 2, grey, PNG_FORMAT_GRAY));
  TPngImage image;
  ASSERT_TRUE(image.Load("g.png"));
  for (uint32_t i = 0; i < 4; ++i) {
    EXPECT_EQ(image.GetPixels()[i * 4], grey[i]);
    EXPECT_EQ(image.GetPixels()[i * 4 + 2], grey[i]);
    EXPECT_EQ(image.GetPixels()[i * 4 + 3], 255);
  }
}

TEST(PngImage, BrokenFilesFailCleanly) {
  TTempFolder folder;
  ASSERT_TRUE(WritePng(folder.Path("good.png").string(), 16, 16, RgbaPattern(16, 16)));
  const std::vector<uint8_t> good = folder.ReadBytes("good.png");
  std::vector<uint8_t> truncated(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(good.size() / 2));
  std::vector<uint8_t> corrupt = good;
  corrupt[good.size() / 2] ^= 0xFF;  // bad checksum or bad deflate data
  std::vector<uint8_t> hugeHeader = good;
  hugeHeader[16] = 0x00;
  hugeHeader[17] = 0x01;  // width 65552: refused before any pixel memory
  for (const auto& bytes : {truncated, corrupt, std::vector<uint8_t>{1, 2, 3}, std::vector<uint8_t>{}}) {
    folder.WriteBytes("bad.png", bytes);
    TPngImage image;
    EXPECT_FALSE(image.Load("bad.png"));
  }
  folder.WriteBytes("huge.png", hugeHeader);
  TPngImage image;
  EXPECT_FALSE(image.Load("huge.png"));
  ::testing::internal::CaptureStdout();
  EXPECT_FALSE(image.Load("none.png"));
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "couldn't open none.png\n");
}

TEST(PngJpegImage, CompanionName) {
  EXPECT_EQ(TPngJpegImage::CompanionName("art\\unit.png"), "art\\unit.jpg");
  EXPECT_EQ(TPngJpegImage::CompanionName("a.b.png"), "a.jpg");
  EXPECT_EQ(TPngJpegImage::CompanionName("../art/x.png"), "../art/x.jpg");
  EXPECT_EQ(TPngJpegImage::CompanionName("plain"), "plain.jpg");
}

TEST(PngJpegImage, WithoutCompanionThePngIsUsed) {
  TTempFolder folder;
  const std::vector<uint8_t> pixels = RgbaPattern(4, 4);
  ASSERT_TRUE(WritePng(folder.Path("unit.png").string(), 4, 4, pixels));
  TPngJpegImage image;
  ASSERT_TRUE(image.Load("unit.png"));
  EXPECT_TRUE(image.IsPngOnly());
  EXPECT_EQ(image.GetBytesPerPixel(), 4u);
  EXPECT_EQ(std::vector<uint8_t>(image.GetPixels(), image.GetPixels() + pixels.size()), pixels);
  EXPECT_FALSE(TPngJpegImage().Load("missing.png"));
}

TEST(PngJpegImage, CompanionGivesColourAndPngGivesAlpha) {
  ASSERT_TRUE(jpeg_test::HaveReferenceTools()) << "install libjpeg-turbo-progs";
  TTempFolder folder;
  const std::vector<uint8_t> pixels = RgbaPattern(9, 6);
  ASSERT_TRUE(WritePng(folder.Path("unit.png").string(), 9, 6, pixels));
  ASSERT_FALSE(jpeg_test::Encode(jpeg_test::MakePicture(9, 6, 3), "-sample 1x1", "unit").empty());
  TJpegImage colour;
  ASSERT_TRUE(colour.Load("unit.jpg"));
  TPngJpegImage image;
  ASSERT_TRUE(image.Load("unit.png"));
  EXPECT_FALSE(image.IsPngOnly());
  for (uint32_t i = 0; i < 9 * 6; ++i) {
    for (uint32_t c = 0; c < 3; ++c) ASSERT_EQ(image.GetPixels()[i * 4 + c], colour.GetPixels()[i * 4 + c]);
    ASSERT_EQ(image.GetPixels()[i * 4 + 3], pixels[i * 4 + 3]);
  }
  // A companion of another size cannot be merged.
  ASSERT_FALSE(jpeg_test::Encode(jpeg_test::MakePicture(8, 6, 3), "", "unit").empty());
  TPngJpegImage mismatched;
  ASSERT_TRUE(mismatched.Load("unit.png"));
  EXPECT_TRUE(mismatched.IsPngOnly());
  // Nor can a grey one: it has no colour to give.
  ASSERT_FALSE(jpeg_test::Encode(jpeg_test::MakePicture(9, 6, 1), "-grayscale", "unit").empty());
  TPngJpegImage grey;
  ASSERT_TRUE(grey.Load("unit.png"));
  EXPECT_TRUE(grey.IsPngOnly());
  EXPECT_EQ(std::vector<uint8_t>(grey.GetPixels(), grey.GetPixels() + pixels.size()), pixels);
}

}  // namespace
