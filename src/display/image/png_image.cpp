#include "display/image/png_image.h"

#include <png.h>

#include <cstdio>
#include <cstring>

#include "display/image/image_file.h"

// libpng's simplified reader keeps its error recovery inside libpng and
// converts every colour type and depth to 8-bit RGBA.
bool TPngImage::Load(const std::string& fileName) {
  pixels_.reset();
  width_ = height_ = 0;
  const image_file::THandle file = image_file::Open(fileName);
  if (!file) {
    std::printf("couldn't open %s\n", fileName.c_str());
    return false;
  }
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (png_image_begin_read_from_stdio(&image, file.get()) == 0) return false;
  if (image.width == 0 || image.height == 0 || image.width > kMaxDimension || image.height > kMaxDimension) {
    png_image_free(&image);
    return false;
  }
  image.format = PNG_FORMAT_RGBA;
  const std::size_t size = static_cast<std::size_t>(image.width) * image.height * 4;
  std::unique_ptr<uint8_t[]> pixels(new (std::nothrow) uint8_t[size]);
  if (!pixels) {
    png_image_free(&image);
    return false;
  }
  if (png_image_finish_read(&image, nullptr, pixels.get(), 0, nullptr) == 0) {
    png_image_free(&image);
    return false;
  }
  pixels_ = std::move(pixels);
  width_ = image.width;
  height_ = image.height;
  return true;
}

TPngJpegImage::TPngJpegImage() : jpeg_(std::make_unique<TJpegImage>()), png_(std::make_unique<TPngImage>()) {}

std::string TPngJpegImage::CompanionName(const std::string& pngName) {
  const std::size_t lastSeparator = pngName.find_last_of("\\/");
  const std::size_t nameStart = lastSeparator == std::string::npos ? 0 : lastSeparator + 1;
  const std::size_t dot = pngName.find('.', nameStart);
  return pngName.substr(0, dot) + ".jpg";
}

bool TPngJpegImage::Load(const std::string& fileName) {
  merged_.reset();
  pngOnly_ = true;
  if (!png_->Load(fileName)) return false;
  const uint64_t pixelCount = static_cast<uint64_t>(png_->GetWidth()) * png_->GetHeight();
  // A companion of another size or without colour cannot be merged pixel for
  // pixel; the PNG alone is used then.
  if (!jpeg_->Load(CompanionName(fileName)) || jpeg_->GetWidth() != png_->GetWidth() ||
      jpeg_->GetHeight() != png_->GetHeight() || jpeg_->GetBytesPerPixel() != 4) {
    return true;
  }
  merged_ = std::make_unique<uint8_t[]>(pixelCount * 4);
  const uint8_t* colour = jpeg_->GetPixels();
  const uint8_t* alpha = png_->GetPixels();
  uint8_t* out = merged_.get();
  for (uint64_t i = 0; i < pixelCount; ++i, out += 4, colour += 4, alpha += 4) {
    out[0] = colour[0];
    out[1] = colour[1];
    out[2] = colour[2];
    out[3] = alpha[3];
  }
  pngOnly_ = false;
  return true;
}
