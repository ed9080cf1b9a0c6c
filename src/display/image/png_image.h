// PNG pictures through libpng, always as 8-bit R, G, B, A; and the PNG whose
// colour may come from a JPEG companion of the same name.
#pragma once

#include <memory>

#include "display/image/image.h"
#include "display/image/jpeg_image.h"

class TPngImage : public TImage {
 public:
  // Larger pictures are refused before any pixel memory is taken.
  static constexpr uint32_t kMaxDimension = 8192;

  bool Load(const std::string& fileName) override;
  uint32_t GetWidth() const override { return width_; }
  uint32_t GetHeight() const override { return height_; }
  uint8_t* GetPixels() override { return pixels_.get(); }
  const uint8_t* GetPixels() const override { return pixels_.get(); }
  uint32_t GetBytesPerPixel() const override { return 4; }

 private:
  std::unique_ptr<uint8_t[]> pixels_;
  uint32_t width_ = 0;
  uint32_t height_ = 0;
};

// The PNG gives the alpha channel; a JPEG of the same name, when there is one,
// gives the colour.
class TPngJpegImage : public TImage {
 public:
  TPngJpegImage();
  bool Load(const std::string& fileName) override;
  uint32_t GetWidth() const override { return png_->GetWidth(); }
  uint32_t GetHeight() const override { return png_->GetHeight(); }
  uint8_t* GetPixels() override { return pngOnly_ ? png_->GetPixels() : merged_.get(); }
  const uint8_t* GetPixels() const override { return pngOnly_ ? png_->GetPixels() : merged_.get(); }
  uint32_t GetBytesPerPixel() const override { return pngOnly_ ? png_->GetBytesPerPixel() : 4; }
  bool IsPngOnly() const { return pngOnly_; }

  // "art\unit.png" gives "art\unit.jpg": the name up to the first "." of its
  // last component, then ".jpg".
  static std::string CompanionName(const std::string& pngName);

 private:
  bool pngOnly_ = false;
  std::unique_ptr<uint8_t[]> merged_;
  std::unique_ptr<TJpegImage> jpeg_;
  std::unique_ptr<TPngImage> png_;
};
