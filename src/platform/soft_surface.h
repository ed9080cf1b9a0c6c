// Software 2D surfaces: a back buffer and off-screen pictures in the display
// format (32-bit X8R8G8B8 or 16-bit R5G6B5), with colour fills, plain and
// stretching copies under an optional source colour key, locking with a row
// pitch, and surface loss that a test can bring about on purpose.
//
// Copies are clipped to both surfaces: a rectangle that reaches outside
// either one copies only the pixels that lie inside both, so no caller can
// write or read past a surface whatever rectangle it passes.
//
// Stretch sampling (Blt): a destination rectangle of width dw fed from a
// source rectangle of width sw maps destination column i (0 <= i < dw) to
// source column left + floor((2i + 1) * sw / (2 * dw)), the source pixel
// under the centre of the destination pixel; rows likewise. Equal sizes copy
// pixel for pixel. The mapping is taken from the rectangles as requested and
// clipping only drops pixels, so a clipped copy never shifts its picture.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace platform {

class FramePresenter;

enum class SurfaceFormat : uint8_t { kX8R8G8B8, kR5G6B5 };

struct SurfaceFormatInfo {
  uint32_t redMask = 0;
  uint32_t greenMask = 0;
  uint32_t blueMask = 0;
  uint32_t alphaMask = 0;
  uint32_t bitsPerPixel = 0;
};

SurfaceFormatInfo DescribeFormat(SurfaceFormat format);
// 32 and 16 bits per pixel only; any other depth is refused.
std::optional<SurfaceFormat> SurfaceFormatForBits(uint32_t bitsPerPixel);

enum class SurfaceResult : uint8_t {
  kOk,
  kLost,           // the surface's memory is gone until Restore succeeds
  kBusy,           // locked, or a lock that could not be had
  kNotLocked,      // Unlock without Lock
  kInvalidRect,    // a rectangle with its right before its left or bottom before top
  kInvalidParams,  // a size or depth that is refused
  kOutOfMemory,
};

const char* SurfaceResultText(SurfaceResult result);

// A 5-6-5 pixel as X8R8G8B8, each channel widened by repeating its top bits;
// and an X8R8G8B8 pixel cut down to 5-6-5.
uint32_t WidenR5G6B5(uint32_t pixel);
uint16_t NarrowToR5G6B5(uint32_t pixel);

// Left and top inclusive, right and bottom exclusive.
struct SurfaceRect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
};

struct SurfaceLock {
  uint8_t* bits = nullptr;
  int32_t pitch = 0;  // bytes from one row to the next
};

// Video-memory surfaces are lost with the display; system-memory ones never.
enum class SurfaceMemory : uint8_t { kVideo, kSystem };

enum class SourceKey : uint8_t { kIgnore, kUse };

struct SurfaceFaults;

class SoftSurface {
 public:
  ~SoftSurface();
  SoftSurface(const SoftSurface&) = delete;
  SoftSurface& operator=(const SoftSurface&) = delete;

  int32_t GetWidth() const { return width_; }
  int32_t GetHeight() const { return height_; }
  SurfaceFormat GetFormat() const { return format_; }
  uint32_t GetBytesPerPixel() const { return bytesPerPixel_; }
  SurfaceMemory GetMemory() const { return memory_; }

  bool IsLost() const;
  // Brings a lost surface back with its pixels cleared to 0 (the picture has
  // to be loaded again); a surface that is not lost is left as it is.
  SurfaceResult Restore();

  SurfaceResult Lock(SurfaceLock& lock);
  SurfaceResult Unlock();
  bool IsLocked() const { return locked_; }

  // Pixels from low to high (inclusive, compared without the unused top byte
  // of a 32-bit pixel) are skipped by copies that use the source key.
  void SetColourKey(uint32_t low, uint32_t high);
  void ClearColourKey() { hasKey_ = false; }
  bool HasColourKey() const { return hasKey_; }
  uint32_t GetColourKeyLow() const { return keyLow_; }

  // The rectangle (the whole surface when null) clipped to the surface is set
  // to the value, cut to the pixel width.
  SurfaceResult Fill(const SurfaceRect* rect, uint32_t value);
  // The source rectangle (all of the source when null) unscaled at (x, y).
  SurfaceResult BltFast(int32_t x, int32_t y, const SoftSurface& source, const SurfaceRect* sourceRect,
                        SourceKey key);
  // The source rectangle stretched onto the destination rectangle (each the
  // whole surface when null) by the sampling described above.
  SurfaceResult Blt(const SurfaceRect* destRect, const SoftSurface& source, const SurfaceRect* sourceRect,
                    SourceKey key);

  // The raw pixel value at (x, y); 0 outside the surface. For checks and
  // read-back, not for drawing.
  uint32_t GetPixel(int32_t x, int32_t y) const;
  // The pixel as X8R8G8B8, widening 5-6-5 by repeating the top bits.
  uint32_t GetPixelX8R8G8B8(int32_t x, int32_t y) const;
  // The whole surface as tightly packed X8R8G8B8 rows.
  std::vector<uint32_t> ToX8R8G8B8() const;

 private:
  friend class SoftSurfaceDevice;
  friend SurfaceResult PresentSurface(FramePresenter& presenter, const SoftSurface& surface);

  SoftSurface(std::shared_ptr<SurfaceFaults> faults, int32_t width, int32_t height, SurfaceFormat format,
              SurfaceMemory memory);
  SurfaceResult CheckUsable() const;
  SurfaceResult Copy(const SurfaceRect& dest, const SoftSurface& source, const SurfaceRect& sourceRect,
                     SourceKey key);
  uint8_t* Row(int32_t y) { return pixels_.data() + static_cast<std::size_t>(y) * pitch_; }
  const uint8_t* Row(int32_t y) const { return pixels_.data() + static_cast<std::size_t>(y) * pitch_; }

  std::shared_ptr<SurfaceFaults> faults_;
  std::vector<uint8_t> pixels_;
  int32_t width_ = 0;
  int32_t height_ = 0;
  int32_t pitch_ = 0;
  uint32_t bytesPerPixel_ = 4;
  SurfaceFormat format_ = SurfaceFormat::kX8R8G8B8;
  SurfaceMemory memory_ = SurfaceMemory::kVideo;
  uint64_t lossCount_ = 0;
  bool locked_ = false;
  bool hasKey_ = false;
  uint32_t keyLow_ = 0;
  uint32_t keyHigh_ = 0;
};

// Makes the surfaces of one display format and stands for the display
// memory they live in: losing it loses every video-memory surface at once.
class SoftSurfaceDevice {
 public:
  // Null for a depth other than 16 or 32 bits.
  static std::unique_ptr<SoftSurfaceDevice> Create(uint32_t bitsPerPixel);
  explicit SoftSurfaceDevice(SurfaceFormat format);
  ~SoftSurfaceDevice();
  SoftSurfaceDevice(const SoftSurfaceDevice&) = delete;
  SoftSurfaceDevice& operator=(const SoftSurfaceDevice&) = delete;

  SurfaceFormat GetFormat() const { return format_; }

  // A surface of the display format, cleared to 0; null (with the reason in
  // *result when given) for a size of 0, a side above 16384 or a picture too
  // large to hold.
  std::unique_ptr<SoftSurface> CreateSurface(int32_t width, int32_t height, SurfaceMemory memory,
                                             SurfaceResult* result = nullptr);

  // Fault injection: every video-memory surface made so far becomes lost, as
  // when another program takes the display; the next `count` restores,
  // creations or locks fail.
  void LoseSurfaces();
  void FailRestores(int32_t count);
  void FailCreates(int32_t count);
  void FailLocks(int32_t count);

 private:
  SurfaceFormat format_;
  std::shared_ptr<SurfaceFaults> faults_;
};

// Shows the surface through the presenter (as X8R8G8B8); kLost or kBusy when
// the surface cannot be read, and nothing is shown then.
SurfaceResult PresentSurface(FramePresenter& presenter, const SoftSurface& surface);

}  // namespace platform
