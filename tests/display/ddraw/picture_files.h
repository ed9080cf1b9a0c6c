// Small pictures for the 2D surface tests: written as TGA or PNG files into
// the current (temporary) folder, or numbered straight into a surface.
#pragma once

#include <png.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "display/ddraw/direct_draw_surface.h"
#include "display/image/tga_image.h"

namespace ddraw_test {

struct TRgba {
  uint8_t r, g, b, a;
};

// Rows of pixels, top row first.
using TPicture = std::vector<std::vector<TRgba>>;

// Writes name + ".tga" with 3 or 4 bytes a pixel.
inline bool WriteTga(const std::string& name, const TPicture& picture, uint32_t bits) {
  TTgaImage image;
  const auto height = static_cast<uint32_t>(picture.size());
  const auto width = static_cast<uint32_t>(picture.empty() ? 0 : picture[0].size());
  image.Create(width, height, bits);
  for (uint32_t y = 0; y < height; ++y) {
    for (uint32_t x = 0; x < width; ++x) {
      const TRgba p = picture[y][x];
      image.SetChannel(x, y, 0, p.r);
      image.SetChannel(x, y, 1, p.g);
      image.SetChannel(x, y, 2, p.b);
      if (bits == 32) image.SetChannel(x, y, 3, p.a);
    }
  }
  image.PrepareForSave();
  return image.Save(name);
}

inline bool WritePngFile(const std::string& path, const TPicture& picture) {
  std::vector<uint8_t> bytes;
  for (const auto& row : picture) {
    for (const TRgba& p : row) bytes.insert(bytes.end(), {p.r, p.g, p.b, p.a});
  }
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<uint32_t>(picture[0].size());
  image.height = static_cast<uint32_t>(picture.size());
  image.format = PNG_FORMAT_RGBA;
  return png_image_write_to_file(&image, path.c_str(), 0, bytes.data(), 0, nullptr) != 0;
}

// The value numbered into pixel (x, y): never 0, never a key colour for the
// small sizes the tests use.
inline uint32_t NumberOf(int32_t x, int32_t y) {
  return 0x100u * static_cast<uint32_t>(y + 1) + static_cast<uint32_t>(x + 1);
}

// Overwrites every pixel of the surface with its number.
inline void Number(TDirectDrawSurface& surface) {
  platform::SoftSurface* pixels = surface.GetPixels();
  platform::SurfaceLock lock;
  if (pixels == nullptr || pixels->Lock(lock) != platform::SurfaceResult::kOk) return;
  const uint32_t bytes = pixels->GetBytesPerPixel();
  for (int32_t y = 0; y < pixels->GetHeight(); ++y) {
    for (int32_t x = 0; x < pixels->GetWidth(); ++x) {
      const uint32_t value = NumberOf(x, y);
      std::memcpy(lock.bits + static_cast<std::ptrdiff_t>(y) * lock.pitch + x * bytes, &value, bytes);
    }
  }
  pixels->Unlock();
}

}  // namespace ddraw_test
