#include "display/ddraw/direct_draw_surface.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "display/ddraw/direct_draw_canvas.h"
#include "display/ddraw/direct_draw_target.h"
#include "display/image/jpeg_image.h"
#include "display/image/png_image.h"
#include "display/image/tga_image.h"
#include "display/pixel_format.h"
#include "display/visuals/shape.h"

using platform::SurfaceLock;
using platform::SurfaceMemory;
using platform::SurfaceResult;

namespace {

// Turns the R, G, B bytes of a picture into pixels of one surface layout,
// with the shifts worked out once.
class TPixelPacker {
 public:
  explicit TPixelPacker(const TPixelFormat& format) : format_(format) {
    const TPixelFormat::Channel channels[3] = {TPixelFormat::kRed, TPixelFormat::kGreen, TPixelFormat::kBlue};
    for (int i = 0; i < 3; ++i) {
      const uint32_t mask = format.GetMask(channels[i]);
      masked_ = masked_ && mask != 0;
      shift_[i] = TPixelFormat::MaskShift(mask);
      drop_[i] = 8 - std::min<uint32_t>(TPixelFormat::MaskWidth(mask), 8);
    }
    wide_ = format.GetBitsPerPixel() == 32;
  }

  uint32_t Pack(uint8_t red, uint8_t green, uint8_t blue) const {
    if (!masked_) {
      constexpr float kInverse = 1.0f / 255.0f;
      return format_.PackColour(TColour(red * kInverse, green * kInverse, blue * kInverse, 1.0f));
    }
    if (wide_) return uint32_t{red} << shift_[0] | uint32_t{green} << shift_[1] | uint32_t{blue} << shift_[2];
    return (uint32_t{red} >> drop_[0]) << shift_[0] | (uint32_t{green} >> drop_[1]) << shift_[1] |
           (uint32_t{blue} >> drop_[2]) << shift_[2];
  }

 private:
  TPixelFormat format_;
  uint32_t shift_[3] = {0, 0, 0};
  uint32_t drop_[3] = {0, 0, 0};
  bool masked_ = true;
  bool wide_ = true;
};

bool Contains(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }

}  // namespace

const TColour& TDirectDrawSurface::ColourKey() {
  static const TColour key(0.0f, 0.0f, 1.0f, 1.0f);
  return key;
}

TDirectDrawSurface::TDirectDrawSurface(const TSurfaceKey& key, TDirectDrawTarget* target) : target_(target) {
  Load(key);
}

TDirectDrawSurface::TDirectDrawSurface(int32_t width, int32_t height, TDirectDrawTarget* target) : target_(target) {
  if (!CreateSurface(width, height, SurfaceMemory::kSystem)) return;
  if (target_->GetPixelFormat() != nullptr) {
    surface_->Fill(nullptr, target_->GetPixelFormat()->PackColour(ColourKey()));
  }
  SetColourKey(ColourKey());
}

TDirectDrawSurface::~TDirectDrawSurface() = default;

void TDirectDrawSurface::Draw(TShape* quad) {
  if (surface_ != nullptr && quad != nullptr && target_ != nullptr) target_->BlitQuadClipped(*quad, *this);
}

void TDirectDrawSurface::DrawFast(TShape* quad) {
  if (surface_ != nullptr && quad != nullptr && target_ != nullptr) target_->BlitQuadFast(*quad, *this);
}

int32_t TDirectDrawSurface::GetWidth() const { return surface_ ? surface_->GetWidth() : 0; }

int32_t TDirectDrawSurface::GetHeight() const { return surface_ ? surface_->GetHeight() : 0; }

void TDirectDrawSurface::Release() { surface_.reset(); }

void TDirectDrawSurface::Restore(const TSurfaceKey& key) { Load(key); }

void TDirectDrawSurface::SetColourKey(const TColour& colour) {
  if (surface_ == nullptr || target_ == nullptr || target_->GetPixelFormat() == nullptr) return;
  const uint32_t pixel = target_->GetPixelFormat()->PackColour(colour);
  surface_->SetColourKey(pixel, pixel);
  hasColourKey_ = true;
}

void TDirectDrawSurface::Load(const TSurfaceKey& key) {
  // A reload starts from nothing, so a picture that no longer loads does not
  // leave the old one (or its key) behind.
  Release();
  hasColourKey_ = false;
  hasAlpha_ = false;
  const std::string& fileName = key.GetFileName();
  if (Contains(fileName, ".tga")) {
    TTgaImage image;
    LoadImage(image, fileName, SurfaceMemory::kVideo, TKeying::kBlue);
  } else if (Contains(fileName, ".jpg")) {
    TJpegImage image;
    LoadImage(image, fileName, SurfaceMemory::kSystem, TKeying::kNone);
  } else if (Contains(fileName, ".png")) {
    TPngJpegImage image;
    LoadImage(image, fileName, SurfaceMemory::kVideo, TKeying::kBlue);
  }
  ApplyShader(key.GetShader());
}

void TDirectDrawSurface::LoadImage(TImage& image, const std::string& fileName, SurfaceMemory memory,
                                   TKeying keying) {
  if (!image.Load(fileName)) return;
  const uint32_t width = image.GetWidth();
  const uint32_t height = image.GetHeight();
  if (width > INT32_MAX || height > INT32_MAX) return;
  if (!CreateSurface(static_cast<int32_t>(width), static_cast<int32_t>(height), memory)) return;
  if (keying == TKeying::kBlue) {
    hasAlpha_ = image.GetBytesPerPixel() == 4;
    image.AlphaToColourKey();
    SetColourKey(ColourKey());
  }
  CopyImage(image);
}

bool TDirectDrawSurface::CreateSurface(int32_t width, int32_t height, SurfaceMemory memory) {
  platform::SoftSurfaceDevice* device = target_ != nullptr ? target_->GetSurfaceDevice() : nullptr;
  if (device == nullptr) return false;
  surface_ = device->CreateSurface(width, height, memory);
  return surface_ != nullptr;
}

void TDirectDrawSurface::CopyImage(const TImage& image) {
  // The picture's own pixel size sets the stride, so a 3-byte or grey
  // picture is never read as if it had 4 bytes a pixel.
  const uint32_t stride = image.GetBytesPerPixel();
  const uint8_t* pixels = image.GetPixels();
  if (stride == 0 || stride > 4 || pixels == nullptr) {
    Release();
    return;
  }
  const TPixelPacker packer(PixelFormatOf(surface_->GetFormat()));
  SurfaceLock lock;
  if (surface_->Lock(lock) != SurfaceResult::kOk) {
    Release();
    return;
  }
  const int32_t width = surface_->GetWidth();
  const int32_t height = surface_->GetHeight();
  const uint32_t bytesPerPixel = surface_->GetBytesPerPixel();
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* source = pixels + static_cast<std::size_t>(y) * static_cast<std::size_t>(width) * stride;
    uint8_t* row = lock.bits + static_cast<std::ptrdiff_t>(y) * lock.pitch;
    for (int32_t x = 0; x < width; ++x, source += stride, row += bytesPerPixel) {
      // Grey pictures give the one byte to all three channels.
      const bool colour = stride >= 3;
      const uint32_t pixel = packer.Pack(source[0], colour ? source[1] : source[0], colour ? source[2] : source[0]);
      if (bytesPerPixel == 2) {
        const auto narrow = static_cast<uint16_t>(pixel);
        std::memcpy(row, &narrow, 2);
      } else {
        std::memcpy(row, &pixel, 4);
      }
    }
  }
  surface_->Unlock();
}

void TDirectDrawSurface::ApplyShader(const TPixelShader* shader) {
  if (shader == nullptr || surface_ == nullptr) return;
  SurfaceLock lock;
  // A picture that cannot be recoloured would show the wrong colours; it is
  // dropped instead, as when it cannot be copied in.
  if (surface_->Lock(lock) != SurfaceResult::kOk) {
    Release();
    return;
  }
  const bool narrow = surface_->GetBytesPerPixel() == 2;
  for (int32_t y = 0; y < surface_->GetHeight(); ++y) {
    uint8_t* row = lock.bits + static_cast<std::ptrdiff_t>(y) * lock.pitch;
    for (int32_t x = 0; x < surface_->GetWidth(); ++x) {
      if (narrow) {
        uint16_t pixel = 0;
        std::memcpy(&pixel, row + static_cast<std::size_t>(x) * 2, 2);
        // The 16-bit shading takes pixels apart as 4-4-4-4, which would
        // scramble 5-6-5 pixels and the blue key with them.
        pixel = platform::NarrowToR5G6B5(shader->ShadePixel32(platform::WidenR5G6B5(pixel)));
        std::memcpy(row + static_cast<std::size_t>(x) * 2, &pixel, 2);
      } else {
        uint32_t pixel = 0;
        std::memcpy(&pixel, row + static_cast<std::size_t>(x) * 4, 4);
        pixel = shader->ShadePixel32(pixel);
        std::memcpy(row + static_cast<std::size_t>(x) * 4, &pixel, 4);
      }
    }
  }
  surface_->Unlock();
}
