// 24-bit uncompressed BMP pictures, read by the art-generation commands.
#pragma once

#include <cstdio>
#include <memory>
#include <vector>

#include "display/image/image.h"

class TBmpImage : public TImage {
 public:
  bool Load(const std::string& fileName) override;
  uint32_t GetWidth() const override { return width_; }
  uint32_t GetHeight() const override { return height_; }
  uint8_t* GetPixels() override { return pixels_.data(); }
  const uint8_t* GetPixels() const override { return pixels_.data(); }
  uint32_t GetBytesPerPixel() const override { return bitsPerPixel_ / 8; }
  void FlipRows();
  // The file's 40-byte info header; null until a file has been read.
  const uint8_t* GetInfoHeader() const { return infoHeader_.get(); }

 private:
  bool ReadPixelRows(std::FILE* file, uint32_t dataOffset);

  std::vector<uint8_t> pixels_;
  uint32_t height_ = 0;
  uint32_t width_ = 0;
  uint32_t bitsPerPixel_ = 0;
  std::unique_ptr<uint8_t[]> infoHeader_;
};
