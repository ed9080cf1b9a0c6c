// True-colour TGA pictures, uncompressed (type 2) or run-length encoded
// (type 10), 24 or 32 bits per pixel; also made blank, edited and written.
#pragma once

#include <cstdio>
#include <vector>

#include "display/image/image.h"

class TTgaImage : public TImage {
 public:
  bool Load(const std::string& fileName) override;
  uint32_t GetWidth() const override { return width_; }
  uint32_t GetHeight() const override { return height_; }
  uint8_t* GetPixels() override { return pixels_.data(); }
  const uint8_t* GetPixels() const override { return pixels_.data(); }
  uint32_t GetBytesPerPixel() const override { return bytesPerPixel_; }

  // A blank (all zero) type-2 image.
  void Create(uint32_t width, uint32_t height, uint32_t bitsPerPixel);
  void SetChannel(uint32_t x, uint32_t y, uint32_t channel, uint8_t value);
  // A 32-bit image becomes 24-bit, keeping R, G and B.
  void DropAlpha();
  // Turns the top-down RGB(A) rows into the bottom-up BGR(A) rows of the file.
  void PrepareForSave();
  // Writes name + ".tga"; false (an earlier file kept) when it cannot be written.
  bool Save(const std::string& name) const;
  bool IsBottomUp() const { return (info_[5] & 32) == 0; }
  void FlipRows();

 private:
  bool ReadImageInfo(std::FILE* file, const std::string& fileName);
  bool ReadUncompressed(std::FILE* file, const std::string& fileName);
  bool ReadRunLength(std::FILE* file, const std::string& fileName);
  uint64_t PixelCount() const { return static_cast<uint64_t>(width_) * height_; }

  std::vector<uint8_t> pixels_;
  uint8_t headerBlock_[12] = {};
  uint8_t info_[6] = {};
  uint32_t bytesPerPixel_ = 0;
  uint64_t imageSize_ = 0;
  uint32_t height_ = 0;
  uint32_t width_ = 0;
  uint32_t bitsPerPixel_ = 0;
};
