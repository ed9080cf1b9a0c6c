#include "platform/soft_surface.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "platform/frame_presenter.h"

namespace platform {

struct SurfaceFaults {
  uint64_t lossCount = 0;
  int32_t failingRestores = 0;
  int32_t failingCreates = 0;
  int32_t failingLocks = 0;
};

namespace {

constexpr int32_t kMaxSide = 16384;
constexpr uint64_t kMaxPixels = uint64_t{64} << 20;
// Rows are padded past the 16-byte boundary so that code which takes the
// row width for the pitch goes wrong at once rather than on some sizes only.
constexpr int32_t kRowAlignment = 16;
constexpr int32_t kRowSlack = 16;

bool TakeFault(int32_t& counter) {
  if (counter <= 0) return false;
  --counter;
  return true;
}

uint32_t ColourMask(SurfaceFormat format) {
  return format == SurfaceFormat::kR5G6B5 ? 0xFFFFu : 0x00FFFFFFu;
}

template <typename TPixel>
TPixel Load(const uint8_t* at) {
  TPixel value;
  std::memcpy(&value, at, sizeof value);
  return value;
}

template <typename TPixel>
void Store(uint8_t* at, TPixel value) {
  std::memcpy(at, &value, sizeof value);
}

// One axis of a copy: destination positions [first, last) of the requested
// destination span that land inside the destination surface, each with the
// source position it samples (-1 when that lies outside the source surface).
struct TAxis {
  int32_t first = 0;
  int32_t last = 0;
  std::vector<int32_t> source;
};

TAxis MapAxis(int32_t destStart, int32_t destSpan, int32_t destLimit, int32_t sourceStart, int32_t sourceSpan,
              int32_t sourceLimit) {
  TAxis axis;
  const int64_t from = std::max<int64_t>(0, -static_cast<int64_t>(destStart));
  const int64_t to = std::min<int64_t>(destSpan, static_cast<int64_t>(destLimit) - destStart);
  if (from >= to) return axis;
  axis.first = static_cast<int32_t>(destStart + from);
  axis.last = static_cast<int32_t>(destStart + to);
  axis.source.reserve(static_cast<std::size_t>(to - from));
  for (int64_t i = from; i < to; ++i) {
    const int64_t offset = ((2 * i + 1) * sourceSpan) / (2 * static_cast<int64_t>(destSpan));
    const int64_t position = sourceStart + offset;
    axis.source.push_back(position >= 0 && position < sourceLimit ? static_cast<int32_t>(position) : -1);
  }
  return axis;
}

struct TCopyKey {
  bool use = false;
  uint32_t mask = 0;
  uint32_t low = 0;
  uint32_t high = 0;
  bool Skips(uint32_t pixel) const {
    const uint32_t value = pixel & mask;
    return use && value >= low && value <= high;
  }
};

template <typename TPixel>
void CopyRows(uint8_t* destBase, int32_t destPitch, const uint8_t* sourceBase, int32_t sourcePitch,
              const TAxis& columns, const TAxis& rows, const TCopyKey& key) {
  for (int32_t y = rows.first; y < rows.last; ++y) {
    const int32_t sourceY = rows.source[static_cast<std::size_t>(y - rows.first)];
    if (sourceY < 0) continue;
    uint8_t* destRow = destBase + static_cast<std::ptrdiff_t>(y) * destPitch;
    const uint8_t* sourceRow = sourceBase + static_cast<std::ptrdiff_t>(sourceY) * sourcePitch;
    for (int32_t x = columns.first; x < columns.last; ++x) {
      const int32_t sourceX = columns.source[static_cast<std::size_t>(x - columns.first)];
      if (sourceX < 0) continue;
      const TPixel pixel = Load<TPixel>(sourceRow + static_cast<std::size_t>(sourceX) * sizeof(TPixel));
      if (key.Skips(pixel)) continue;
      Store<TPixel>(destRow + static_cast<std::size_t>(x) * sizeof(TPixel), pixel);
    }
  }
}

// The valid destination columns of an axis mapped one to one, which form a
// single run: [first, last) and the source column of `first`.
struct TRun {
  int32_t first = 0;
  int32_t last = 0;
  int32_t source = 0;
};

TRun RunOf(const TAxis& columns) {
  TRun run;
  run.first = columns.first;
  while (run.first < columns.last && columns.source[static_cast<std::size_t>(run.first - columns.first)] < 0) {
    ++run.first;
  }
  run.last = run.first;
  while (run.last < columns.last && columns.source[static_cast<std::size_t>(run.last - columns.first)] >= 0) {
    ++run.last;
  }
  if (run.first < run.last) run.source = columns.source[static_cast<std::size_t>(run.first - columns.first)];
  return run;
}

// The common cases, copies of equal widths, row by row: whole rows moved at
// once without a key, a plain test per pixel with one.
template <typename TPixel>
void CopyRowsUnscaled(uint8_t* destBase, int32_t destPitch, const uint8_t* sourceBase, int32_t sourcePitch,
                      const TAxis& columns, const TAxis& rows, const TCopyKey& key) {
  const TRun run = RunOf(columns);
  if (run.first >= run.last) return;
  const std::size_t count = static_cast<std::size_t>(run.last - run.first);
  for (int32_t y = rows.first; y < rows.last; ++y) {
    const int32_t sourceY = rows.source[static_cast<std::size_t>(y - rows.first)];
    if (sourceY < 0) continue;
    uint8_t* dest = destBase + static_cast<std::ptrdiff_t>(y) * destPitch +
                    static_cast<std::size_t>(run.first) * sizeof(TPixel);
    const uint8_t* source = sourceBase + static_cast<std::ptrdiff_t>(sourceY) * sourcePitch +
                            static_cast<std::size_t>(run.source) * sizeof(TPixel);
    if (!key.use) {
      std::memmove(dest, source, count * sizeof(TPixel));
      continue;
    }
    for (std::size_t i = 0; i < count; ++i, dest += sizeof(TPixel), source += sizeof(TPixel)) {
      const TPixel pixel = Load<TPixel>(source);
      const uint32_t value = pixel & key.mask;
      if (value < key.low || value > key.high) Store<TPixel>(dest, pixel);
    }
  }
}

SurfaceResult CheckRect(const SurfaceRect& rect) {
  return rect.right < rect.left || rect.bottom < rect.top ? SurfaceResult::kInvalidRect : SurfaceResult::kOk;
}

SurfaceRect Whole(const SoftSurface& surface) { return {0, 0, surface.GetWidth(), surface.GetHeight()}; }

}  // namespace

SurfaceFormatInfo DescribeFormat(SurfaceFormat format) {
  if (format == SurfaceFormat::kR5G6B5) return {0xF800u, 0x07E0u, 0x001Fu, 0u, 16u};
  return {0x00FF0000u, 0x0000FF00u, 0x000000FFu, 0u, 32u};
}

uint32_t WidenR5G6B5(uint32_t pixel) {
  const uint32_t red = (pixel >> 11) & 0x1Fu;
  const uint32_t green = (pixel >> 5) & 0x3Fu;
  const uint32_t blue = pixel & 0x1Fu;
  return ((red << 3 | red >> 2) << 16) | ((green << 2 | green >> 4) << 8) | (blue << 3 | blue >> 2);
}

uint16_t NarrowToR5G6B5(uint32_t pixel) {
  return static_cast<uint16_t>(((pixel >> 19) & 0x1Fu) << 11 | ((pixel >> 10) & 0x3Fu) << 5 | ((pixel >> 3) & 0x1Fu));
}

std::optional<SurfaceFormat> SurfaceFormatForBits(uint32_t bitsPerPixel) {
  if (bitsPerPixel == 32) return SurfaceFormat::kX8R8G8B8;
  if (bitsPerPixel == 16) return SurfaceFormat::kR5G6B5;
  return std::nullopt;
}

const char* SurfaceResultText(SurfaceResult result) {
  switch (result) {
    case SurfaceResult::kOk: return "no error";
    case SurfaceResult::kLost: return "the surface memory is gone";
    case SurfaceResult::kBusy: return "the surface is locked";
    case SurfaceResult::kNotLocked: return "the surface is not locked";
    case SurfaceResult::kInvalidRect: return "the rectangle is invalid";
    case SurfaceResult::kInvalidParams: return "a parameter is incorrect";
    case SurfaceResult::kOutOfMemory: return "not enough memory";
  }
  return "";
}

SoftSurface::SoftSurface(std::shared_ptr<SurfaceFaults> faults, int32_t width, int32_t height,
                         SurfaceFormat format, SurfaceMemory memory)
    : faults_(std::move(faults)),
      width_(width),
      height_(height),
      bytesPerPixel_(DescribeFormat(format).bitsPerPixel / 8),
      format_(format),
      memory_(memory),
      lossCount_(faults_->lossCount) {
  const int32_t rowBytes = width * static_cast<int32_t>(bytesPerPixel_);
  pitch_ = (rowBytes + kRowAlignment - 1) / kRowAlignment * kRowAlignment + kRowSlack;
  pixels_.assign(static_cast<std::size_t>(pitch_) * static_cast<std::size_t>(height), 0);
}

SoftSurface::~SoftSurface() = default;

bool SoftSurface::IsLost() const { return memory_ == SurfaceMemory::kVideo && lossCount_ < faults_->lossCount; }

SurfaceResult SoftSurface::Restore() {
  if (!IsLost()) return SurfaceResult::kOk;
  if (TakeFault(faults_->failingRestores)) return SurfaceResult::kLost;
  lossCount_ = faults_->lossCount;
  std::fill(pixels_.begin(), pixels_.end(), uint8_t{0});
  return SurfaceResult::kOk;
}

SurfaceResult SoftSurface::CheckUsable() const {
  if (IsLost()) return SurfaceResult::kLost;
  if (locked_) return SurfaceResult::kBusy;
  return SurfaceResult::kOk;
}

SurfaceResult SoftSurface::Lock(SurfaceLock& lock) {
  lock = SurfaceLock{};
  if (const SurfaceResult usable = CheckUsable(); usable != SurfaceResult::kOk) return usable;
  if (TakeFault(faults_->failingLocks)) return SurfaceResult::kBusy;
  locked_ = true;
  lock.bits = pixels_.data();
  lock.pitch = pitch_;
  return SurfaceResult::kOk;
}

SurfaceResult SoftSurface::Unlock() {
  if (!locked_) return SurfaceResult::kNotLocked;
  locked_ = false;
  return SurfaceResult::kOk;
}

void SoftSurface::SetColourKey(uint32_t low, uint32_t high) {
  hasKey_ = true;
  keyLow_ = low;
  keyHigh_ = high;
}

SurfaceResult SoftSurface::Fill(const SurfaceRect* rect, uint32_t value) {
  if (const SurfaceResult usable = CheckUsable(); usable != SurfaceResult::kOk) return usable;
  const SurfaceRect area = rect != nullptr ? *rect : Whole(*this);
  if (const SurfaceResult valid = CheckRect(area); valid != SurfaceResult::kOk) return valid;
  const int32_t left = std::max(area.left, 0);
  const int32_t top = std::max(area.top, 0);
  const int32_t right = std::min(area.right, width_);
  const int32_t bottom = std::min(area.bottom, height_);
  for (int32_t y = top; y < bottom; ++y) {
    uint8_t* row = Row(y);
    for (int32_t x = left; x < right; ++x) {
      if (bytesPerPixel_ == 2) {
        Store<uint16_t>(row + static_cast<std::size_t>(x) * 2, static_cast<uint16_t>(value));
      } else {
        Store<uint32_t>(row + static_cast<std::size_t>(x) * 4, value);
      }
    }
  }
  return SurfaceResult::kOk;
}

SurfaceResult SoftSurface::BltFast(int32_t x, int32_t y, const SoftSurface& source, const SurfaceRect* sourceRect,
                                   SourceKey key) {
  const SurfaceRect from = sourceRect != nullptr ? *sourceRect : Whole(source);
  if (const SurfaceResult valid = CheckRect(from); valid != SurfaceResult::kOk) return valid;
  const int64_t right = static_cast<int64_t>(x) + (static_cast<int64_t>(from.right) - from.left);
  const int64_t bottom = static_cast<int64_t>(y) + (static_cast<int64_t>(from.bottom) - from.top);
  if (right > INT32_MAX || bottom > INT32_MAX) return SurfaceResult::kInvalidRect;
  const SurfaceRect dest{x, y, static_cast<int32_t>(right), static_cast<int32_t>(bottom)};
  return Copy(dest, source, from, key);
}

SurfaceResult SoftSurface::Blt(const SurfaceRect* destRect, const SoftSurface& source, const SurfaceRect* sourceRect,
                               SourceKey key) {
  const SurfaceRect dest = destRect != nullptr ? *destRect : Whole(*this);
  const SurfaceRect from = sourceRect != nullptr ? *sourceRect : Whole(source);
  return Copy(dest, source, from, key);
}

SurfaceResult SoftSurface::Copy(const SurfaceRect& dest, const SoftSurface& source, const SurfaceRect& sourceRect,
                                SourceKey key) {
  if (const SurfaceResult usable = CheckUsable(); usable != SurfaceResult::kOk) return usable;
  if (const SurfaceResult usable = source.CheckUsable(); usable != SurfaceResult::kOk) return usable;
  if (CheckRect(dest) != SurfaceResult::kOk || CheckRect(sourceRect) != SurfaceResult::kOk) {
    return SurfaceResult::kInvalidRect;
  }
  // Surfaces of two formats cannot be copied between without conversion,
  // which the display never asks for.
  if (source.format_ != format_) return SurfaceResult::kInvalidParams;
  const int64_t destWidth = static_cast<int64_t>(dest.right) - dest.left;
  const int64_t destHeight = static_cast<int64_t>(dest.bottom) - dest.top;
  const int64_t sourceWidth = static_cast<int64_t>(sourceRect.right) - sourceRect.left;
  const int64_t sourceHeight = static_cast<int64_t>(sourceRect.bottom) - sourceRect.top;
  if (destWidth == 0 || destHeight == 0 || sourceWidth == 0 || sourceHeight == 0) return SurfaceResult::kOk;
  if (destWidth > INT32_MAX || destHeight > INT32_MAX || sourceWidth > INT32_MAX || sourceHeight > INT32_MAX) {
    return SurfaceResult::kInvalidRect;
  }
  const TAxis columns = MapAxis(dest.left, static_cast<int32_t>(destWidth), width_, sourceRect.left,
                                static_cast<int32_t>(sourceWidth), source.width_);
  const TAxis rows = MapAxis(dest.top, static_cast<int32_t>(destHeight), height_, sourceRect.top,
                             static_cast<int32_t>(sourceHeight), source.height_);
  if (columns.first >= columns.last || rows.first >= rows.last) return SurfaceResult::kOk;

  // A copy within one surface reads from a snapshot, so overlapping
  // rectangles see the picture as it was before the copy.
  std::vector<uint8_t> snapshot;
  const uint8_t* sourceBase = source.pixels_.data();
  if (&source == this) {
    snapshot = pixels_;
    sourceBase = snapshot.data();
  }
  TCopyKey copyKey;
  copyKey.use = key == SourceKey::kUse && source.hasKey_;
  copyKey.mask = ColourMask(format_);
  copyKey.low = source.keyLow_ & copyKey.mask;
  copyKey.high = source.keyHigh_ & copyKey.mask;
  if (destWidth == sourceWidth && bytesPerPixel_ == 2) {
    CopyRowsUnscaled<uint16_t>(pixels_.data(), pitch_, sourceBase, source.pitch_, columns, rows, copyKey);
  } else if (destWidth == sourceWidth) {
    CopyRowsUnscaled<uint32_t>(pixels_.data(), pitch_, sourceBase, source.pitch_, columns, rows, copyKey);
  } else if (bytesPerPixel_ == 2) {
    CopyRows<uint16_t>(pixels_.data(), pitch_, sourceBase, source.pitch_, columns, rows, copyKey);
  } else {
    CopyRows<uint32_t>(pixels_.data(), pitch_, sourceBase, source.pitch_, columns, rows, copyKey);
  }
  return SurfaceResult::kOk;
}

uint32_t SoftSurface::GetPixel(int32_t x, int32_t y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
  const uint8_t* at = Row(y) + static_cast<std::size_t>(x) * bytesPerPixel_;
  return bytesPerPixel_ == 2 ? Load<uint16_t>(at) : Load<uint32_t>(at);
}

uint32_t SoftSurface::GetPixelX8R8G8B8(int32_t x, int32_t y) const {
  const uint32_t pixel = GetPixel(x, y);
  return format_ == SurfaceFormat::kR5G6B5 ? WidenR5G6B5(pixel) : pixel & 0x00FFFFFFu;
}

std::vector<uint32_t> SoftSurface::ToX8R8G8B8() const {
  std::vector<uint32_t> frame(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_));
  for (int32_t y = 0; y < height_; ++y) {
    for (int32_t x = 0; x < width_; ++x) {
      frame[static_cast<std::size_t>(y) * width_ + x] = GetPixelX8R8G8B8(x, y);
    }
  }
  return frame;
}

std::unique_ptr<SoftSurfaceDevice> SoftSurfaceDevice::Create(uint32_t bitsPerPixel) {
  const std::optional<SurfaceFormat> format = SurfaceFormatForBits(bitsPerPixel);
  if (!format) return nullptr;
  return std::make_unique<SoftSurfaceDevice>(*format);
}

SoftSurfaceDevice::SoftSurfaceDevice(SurfaceFormat format)
    : format_(format), faults_(std::make_shared<SurfaceFaults>()) {}

SoftSurfaceDevice::~SoftSurfaceDevice() = default;

std::unique_ptr<SoftSurface> SoftSurfaceDevice::CreateSurface(int32_t width, int32_t height, SurfaceMemory memory,
                                                              SurfaceResult* result) {
  SurfaceResult outcome = SurfaceResult::kOk;
  std::unique_ptr<SoftSurface> surface;
  if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide ||
      static_cast<uint64_t>(width) * static_cast<uint64_t>(height) > kMaxPixels) {
    outcome = SurfaceResult::kInvalidParams;
  } else if (TakeFault(faults_->failingCreates)) {
    outcome = SurfaceResult::kOutOfMemory;
  } else {
    try {
      surface.reset(new SoftSurface(faults_, width, height, format_, memory));
    } catch (const std::bad_alloc&) {
      outcome = SurfaceResult::kOutOfMemory;
    }
  }
  if (result != nullptr) *result = outcome;
  return surface;
}

void SoftSurfaceDevice::LoseSurfaces() { ++faults_->lossCount; }

void SoftSurfaceDevice::FailRestores(int32_t count) { faults_->failingRestores = std::max(count, 0); }

void SoftSurfaceDevice::FailCreates(int32_t count) { faults_->failingCreates = std::max(count, 0); }

void SoftSurfaceDevice::FailLocks(int32_t count) { faults_->failingLocks = std::max(count, 0); }

SurfaceResult PresentSurface(FramePresenter& presenter, const SoftSurface& surface) {
  if (const SurfaceResult usable = surface.CheckUsable(); usable != SurfaceResult::kOk) return usable;
  if (surface.format_ == SurfaceFormat::kX8R8G8B8) {
    presenter.Present(reinterpret_cast<const uint32_t*>(surface.pixels_.data()), surface.width_, surface.height_,
                      surface.pitch_);
  } else {
    const std::vector<uint32_t> frame = surface.ToX8R8G8B8();
    presenter.Present(frame.data(), surface.width_, surface.height_, surface.width_ * 4);
  }
  return SurfaceResult::kOk;
}

}  // namespace platform
