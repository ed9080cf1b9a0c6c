#include "platform/soft_surface.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/frame_presenter.h"

namespace platform {
namespace {

// A surface whose pixel (x, y) holds 0x100 * (y + 1) + x + 1, so that every
// pixel says where it came from and none is 0.
std::unique_ptr<SoftSurface> Numbered(SoftSurfaceDevice& device, int32_t width, int32_t height) {
  auto surface = device.CreateSurface(width, height, SurfaceMemory::kSystem);
  SurfaceLock lock;
  EXPECT_EQ(surface->Lock(lock), SurfaceResult::kOk);
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      const uint32_t value = 0x100u * static_cast<uint32_t>(y + 1) + static_cast<uint32_t>(x + 1);
      uint8_t* at = lock.bits + static_cast<std::ptrdiff_t>(y) * lock.pitch + x * surface->GetBytesPerPixel();
      if (surface->GetBytesPerPixel() == 2) {
        const auto small = static_cast<uint16_t>(value);
        std::memcpy(at, &small, 2);
      } else {
        std::memcpy(at, &value, 4);
      }
    }
  }
  EXPECT_EQ(surface->Unlock(), SurfaceResult::kOk);
  return surface;
}

uint32_t NumberOf(int32_t x, int32_t y) { return 0x100u * static_cast<uint32_t>(y + 1) + static_cast<uint32_t>(x + 1); }

// Every pixel of the target: the numbered source pixel it should hold, or 0.
void ExpectPixels(const SoftSurface& target, const std::function<std::optional<std::pair<int, int>>(int, int)>& from,
                  const std::string& what) {
  for (int32_t y = 0; y < target.GetHeight(); ++y) {
    for (int32_t x = 0; x < target.GetWidth(); ++x) {
      const auto source = from(x, y);
      const uint32_t expected = source ? NumberOf(source->first, source->second) : 0u;
      ASSERT_EQ(target.GetPixel(x, y), expected) << what << " at (" << x << ", " << y << ")";
    }
  }
}

TEST(SoftSurfaceDevice, OnlySixteenAndThirtyTwoBitsAreMade) {
  for (uint32_t bits : {0u, 1u, 8u, 15u, 24u, 64u}) EXPECT_EQ(SoftSurfaceDevice::Create(bits), nullptr) << bits;
  auto wide = SoftSurfaceDevice::Create(32);
  auto narrow = SoftSurfaceDevice::Create(16);
  ASSERT_NE(wide, nullptr);
  ASSERT_NE(narrow, nullptr);
  EXPECT_EQ(wide->GetFormat(), SurfaceFormat::kX8R8G8B8);
  EXPECT_EQ(narrow->GetFormat(), SurfaceFormat::kR5G6B5);
  const SurfaceFormatInfo x888 = DescribeFormat(SurfaceFormat::kX8R8G8B8);
  EXPECT_EQ(x888.redMask, 0x00FF0000u);
  EXPECT_EQ(x888.alphaMask, 0u);
  EXPECT_EQ(x888.bitsPerPixel, 32u);
  const SurfaceFormatInfo r565 = DescribeFormat(SurfaceFormat::kR5G6B5);
  EXPECT_EQ(r565.redMask | r565.greenMask | r565.blueMask, 0xFFFFu);
  EXPECT_EQ(r565.greenMask, 0x07E0u);
  EXPECT_EQ(r565.bitsPerPixel, 16u);
}

TEST(SoftSurfaceDevice, RefusesSizesItCannotHold) {
  SoftSurfaceDevice device(SurfaceFormat::kX8R8G8B8);
  struct Case {
    int32_t width, height;
  };
  for (const Case c : {Case{0, 5}, Case{5, 0}, Case{-1, 5}, Case{5, -7}, Case{16385, 1}, Case{1, 16385},
                       Case{16384, 16384}}) {
    SurfaceResult result = SurfaceResult::kOk;
    EXPECT_EQ(device.CreateSurface(c.width, c.height, SurfaceMemory::kVideo, &result), nullptr)
        << c.width << " x " << c.height;
    EXPECT_EQ(result, SurfaceResult::kInvalidParams);
  }
  SurfaceResult result = SurfaceResult::kLost;
  auto surface = device.CreateSurface(16384, 1, SurfaceMemory::kVideo, &result);
  ASSERT_NE(surface, nullptr);
  EXPECT_EQ(result, SurfaceResult::kOk);
  EXPECT_EQ(surface->GetPixel(16383, 0), 0u);
}

TEST(SoftSurface, LockGivesRowsByThePitch) {
  for (SurfaceFormat format : {SurfaceFormat::kX8R8G8B8, SurfaceFormat::kR5G6B5}) {
    SoftSurfaceDevice device(format);
    auto surface = Numbered(device, 5, 3);
    SurfaceLock lock;
    ASSERT_EQ(surface->Lock(lock), SurfaceResult::kOk);
    // The pitch is wider than a row, so a reader that ignores it goes wrong.
    EXPECT_GT(lock.pitch, 5 * static_cast<int32_t>(surface->GetBytesPerPixel()));
    EXPECT_EQ(lock.pitch % 4, 0);
    uint32_t second = 0;
    std::memcpy(&second, lock.bits + 2 * lock.pitch + surface->GetBytesPerPixel(), surface->GetBytesPerPixel());
    EXPECT_EQ(second, NumberOf(1, 2));
    EXPECT_EQ(surface->GetPixel(4, 2), NumberOf(4, 2));
    EXPECT_EQ(surface->GetPixel(5, 2), 0u);
    EXPECT_EQ(surface->GetPixel(-1, 0), 0u);
    ASSERT_EQ(surface->Unlock(), SurfaceResult::kOk);
  }
}

TEST(SoftSurface, LockedSurfacesRefuseDrawing) {
  SoftSurfaceDevice device(SurfaceFormat::kX8R8G8B8);
  auto target = device.CreateSurface(4, 4, SurfaceMemory::kVideo);
  auto source = Numbered(device, 2, 2);
  SurfaceLock lock;
  ASSERT_EQ(target->Lock(lock), SurfaceResult::kOk);
  SurfaceLock again;
  EXPECT_EQ(target->Lock(again), SurfaceResult::kBusy);
  EXPECT_EQ(again.bits, nullptr);
  EXPECT_EQ(target->Fill(nullptr, 7), SurfaceResult::kBusy);
  EXPECT_EQ(target->BltFast(0, 0, *source, nullptr, SourceKey::kIgnore), SurfaceResult::kBusy);
  EXPECT_EQ(target->Unlock(), SurfaceResult::kOk);
  EXPECT_EQ(target->Unlock(), SurfaceResult::kNotLocked);
  ASSERT_EQ(source->Lock(lock), SurfaceResult::kOk);
  EXPECT_EQ(target->Blt(nullptr, *source, nullptr, SourceKey::kIgnore), SurfaceResult::kBusy);
  EXPECT_EQ(target->GetPixel(0, 0), 0u);
}

TEST(SoftSurface, FillsClipToTheSurface) {
  struct Case {
    const char* what;
    SurfaceRect rect;
    int32_t left, top, right, bottom;  // what is filled
  };
  const Case cases[] = {
      {"inside", {1, 1, 3, 2}, 1, 1, 3, 2},
      {"over the left and top", {-5, -5, 2, 2}, 0, 0, 2, 2},
      {"over the right and bottom", {4, 2, 50, 50}, 4, 2, 6, 4},
      {"wholly outside", {6, 0, 9, 4}, 0, 0, 0, 0},
      {"empty", {2, 2, 2, 3}, 0, 0, 0, 0},
  };
  for (SurfaceFormat format : {SurfaceFormat::kX8R8G8B8, SurfaceFormat::kR5G6B5}) {
    SoftSurfaceDevice device(format);
    for (const Case& c : cases) {
      auto surface = device.CreateSurface(6, 4, SurfaceMemory::kVideo);
      ASSERT_EQ(surface->Fill(&c.rect, 0x12345678u), SurfaceResult::kOk) << c.what;
      const uint32_t value = format == SurfaceFormat::kR5G6B5 ? 0x5678u : 0x12345678u;
      for (int32_t y = 0; y < 4; ++y) {
        for (int32_t x = 0; x < 6; ++x) {
          const bool inside = x >= c.left && x < c.right && y >= c.top && y < c.bottom;
          ASSERT_EQ(surface->GetPixel(x, y), inside ? value : 0u) << c.what << " at " << x << ", " << y;
        }
      }
    }
    auto surface = device.CreateSurface(6, 4, SurfaceMemory::kVideo);
    const SurfaceRect inverted{3, 0, 1, 2};
    EXPECT_EQ(surface->Fill(&inverted, 1), SurfaceResult::kInvalidRect);
    EXPECT_EQ(surface->Fill(nullptr, 9), SurfaceResult::kOk);
    EXPECT_EQ(surface->GetPixel(5, 3), 9u);
  }
}

struct FastCase {
  const char* what;
  int32_t x, y;
  SurfaceRect source;
};

class FastCopy : public ::testing::TestWithParam<SurfaceFormat> {};

TEST_P(FastCopy, ClipsAtEveryEdgeOfBothSurfaces) {
  SoftSurfaceDevice device(GetParam());
  auto source = Numbered(device, 5, 4);
  const FastCase cases[] = {
      {"inside", 2, 1, {0, 0, 5, 4}},
      {"over the left", -2, 1, {0, 0, 5, 4}},
      {"over the top", 1, -3, {0, 0, 5, 4}},
      {"over the right", 6, 2, {0, 0, 5, 4}},
      {"over the bottom", 0, 4, {0, 0, 5, 4}},
      {"over every edge", -1, -1, {0, 0, 5, 4}},
      {"part of the source", 3, 3, {1, 1, 4, 3}},
      {"source rectangle beyond the source", 0, 0, {-2, -1, 7, 6}},
      {"wholly outside", 8, 0, {0, 0, 5, 4}},
  };
  for (const FastCase& c : cases) {
    auto target = device.CreateSurface(8, 6, SurfaceMemory::kVideo);
    ASSERT_EQ(target->BltFast(c.x, c.y, *source, &c.source, SourceKey::kIgnore), SurfaceResult::kOk) << c.what;
    ExpectPixels(
        *target,
        [&c](int x, int y) -> std::optional<std::pair<int, int>> {
          const int sx = x - c.x + c.source.left;
          const int sy = y - c.y + c.source.top;
          const bool inRect = sx >= c.source.left && sx < c.source.right && sy >= c.source.top && sy < c.source.bottom;
          const bool inSource = sx >= 0 && sx < 5 && sy >= 0 && sy < 4;
          if (inRect && inSource) return std::make_pair(sx, sy);
          return std::nullopt;
        },
        c.what);
  }
}

TEST_P(FastCopy, SourceKeyLeavesTheTargetShowing) {
  SoftSurfaceDevice device(GetParam());
  auto source = Numbered(device, 3, 2);
  // Key the pixels (1, 0) and (2, 0) by a range; (0, 1) is just above it.
  source->SetColourKey(NumberOf(1, 0), NumberOf(2, 0));
  auto target = device.CreateSurface(3, 2, SurfaceMemory::kVideo);
  ASSERT_EQ(target->Fill(nullptr, 0x77u), SurfaceResult::kOk);
  ASSERT_EQ(target->BltFast(0, 0, *source, nullptr, SourceKey::kUse), SurfaceResult::kOk);
  EXPECT_EQ(target->GetPixel(0, 0), NumberOf(0, 0));
  EXPECT_EQ(target->GetPixel(1, 0), 0x77u);
  EXPECT_EQ(target->GetPixel(2, 0), 0x77u);
  EXPECT_EQ(target->GetPixel(0, 1), NumberOf(0, 1));
  // Without the flag the key is not looked at.
  ASSERT_EQ(target->BltFast(0, 0, *source, nullptr, SourceKey::kIgnore), SurfaceResult::kOk);
  EXPECT_EQ(target->GetPixel(1, 0), NumberOf(1, 0));
  // A keyed stretch skips the same pixels.
  ASSERT_EQ(target->Fill(nullptr, 0x77u), SurfaceResult::kOk);
  const SurfaceRect whole{0, 0, 3, 2};
  ASSERT_EQ(target->Blt(&whole, *source, nullptr, SourceKey::kUse), SurfaceResult::kOk);
  EXPECT_EQ(target->GetPixel(2, 0), 0x77u);
  EXPECT_EQ(target->GetPixel(2, 1), NumberOf(2, 1));
}

INSTANTIATE_TEST_SUITE_P(Formats, FastCopy, ::testing::Values(SurfaceFormat::kX8R8G8B8, SurfaceFormat::kR5G6B5));

TEST(SoftSurface, KeyIgnoresTheUnusedTopByte) {
  SoftSurfaceDevice device(SurfaceFormat::kX8R8G8B8);
  auto source = device.CreateSurface(2, 1, SurfaceMemory::kSystem);
  const SurfaceRect first{0, 0, 1, 1};
  ASSERT_EQ(source->Fill(&first, 0xFF0000FFu), SurfaceResult::kOk);
  source->SetColourKey(0x000000FFu, 0x000000FFu);
  auto target = device.CreateSurface(2, 1, SurfaceMemory::kSystem);
  ASSERT_EQ(target->Fill(nullptr, 0x00123456u), SurfaceResult::kOk);
  ASSERT_EQ(target->BltFast(0, 0, *source, nullptr, SourceKey::kUse), SurfaceResult::kOk);
  EXPECT_EQ(target->GetPixel(0, 0), 0x00123456u);
  EXPECT_EQ(target->GetPixel(1, 0), 0u);
}

TEST(SoftSurface, StretchSamplesUnderPixelCentres) {
  struct Case {
    const char* what;
    int32_t sourceWidth, destWidth;
    std::vector<int32_t> columns;  // the source column each destination column shows
  };
  const Case cases[] = {
      {"doubled", 4, 8, {0, 0, 1, 1, 2, 2, 3, 3}},
      {"halved", 8, 4, {1, 3, 5, 7}},
      {"three onto five", 3, 5, {0, 0, 1, 2, 2}},
      {"five onto three", 5, 3, {0, 2, 4}},
      {"equal", 4, 4, {0, 1, 2, 3}},
  };
  for (SurfaceFormat format : {SurfaceFormat::kX8R8G8B8, SurfaceFormat::kR5G6B5}) {
    SoftSurfaceDevice device(format);
    for (const Case& c : cases) {
      auto source = Numbered(device, c.sourceWidth, c.sourceWidth);
      auto target = device.CreateSurface(c.destWidth, c.destWidth, SurfaceMemory::kVideo);
      ASSERT_EQ(target->Blt(nullptr, *source, nullptr, SourceKey::kIgnore), SurfaceResult::kOk) << c.what;
      for (int32_t y = 0; y < c.destWidth; ++y) {
        for (int32_t x = 0; x < c.destWidth; ++x) {
          // Rows follow the same sampling as columns.
          ASSERT_EQ(target->GetPixel(x, y), NumberOf(c.columns[static_cast<std::size_t>(x)],
                                                     c.columns[static_cast<std::size_t>(y)]))
              << c.what << " at " << x << ", " << y << " in " << static_cast<int>(format);
        }
      }
    }
  }
}

TEST(SoftSurface, ClippedStretchKeepsItsPicture) {
  // The same stretch drawn whole on a large target and clipped at each edge
  // of a small one: every pixel the small target gets is the large one's.
  SoftSurfaceDevice device(SurfaceFormat::kR5G6B5);
  auto source = Numbered(device, 6, 5);
  const SurfaceRect places[] = {{-7, 2, 8, 12}, {3, -6, 14, 7}, {5, 4, 16, 15}, {-4, -4, 15, 15}};
  const SurfaceRect sourceRect{1, 0, 6, 5};
  for (const SurfaceRect& place : places) {
    auto large = device.CreateSurface(40, 40, SurfaceMemory::kVideo);
    const SurfaceRect shifted{place.left + 20, place.top + 20, place.right + 20, place.bottom + 20};
    ASSERT_EQ(large->Blt(&shifted, *source, &sourceRect, SourceKey::kIgnore), SurfaceResult::kOk);
    auto small = device.CreateSurface(10, 9, SurfaceMemory::kVideo);
    ASSERT_EQ(small->Blt(&place, *source, &sourceRect, SourceKey::kIgnore), SurfaceResult::kOk);
    int32_t drawn = 0;
    for (int32_t y = 0; y < 9; ++y) {
      for (int32_t x = 0; x < 10; ++x) {
        ASSERT_EQ(small->GetPixel(x, y), large->GetPixel(x + 20, y + 20)) << place.left << "," << place.top;
        drawn += small->GetPixel(x, y) != 0 ? 1 : 0;
      }
    }
    EXPECT_GT(drawn, 0);
  }
}

TEST(SoftSurface, InvalidAndEmptyRectangles) {
  SoftSurfaceDevice device(SurfaceFormat::kX8R8G8B8);
  auto source = Numbered(device, 4, 4);
  auto target = device.CreateSurface(4, 4, SurfaceMemory::kVideo);
  const SurfaceRect inverted{3, 0, 1, 4};
  const SurfaceRect empty{1, 1, 1, 3};
  EXPECT_EQ(target->Blt(&inverted, *source, nullptr, SourceKey::kIgnore), SurfaceResult::kInvalidRect);
  EXPECT_EQ(target->Blt(nullptr, *source, &inverted, SourceKey::kIgnore), SurfaceResult::kInvalidRect);
  EXPECT_EQ(target->BltFast(0, 0, *source, &inverted, SourceKey::kIgnore), SurfaceResult::kInvalidRect);
  EXPECT_EQ(target->Blt(&empty, *source, nullptr, SourceKey::kIgnore), SurfaceResult::kOk);
  EXPECT_EQ(target->BltFast(INT32_MAX - 1, 0, *source, nullptr, SourceKey::kIgnore), SurfaceResult::kInvalidRect);
  for (int32_t y = 0; y < 4; ++y) {
    for (int32_t x = 0; x < 4; ++x) EXPECT_EQ(target->GetPixel(x, y), 0u);
  }
  // Surfaces of different formats are not copied between.
  SoftSurfaceDevice other(SurfaceFormat::kR5G6B5);
  auto narrow = Numbered(other, 4, 4);
  EXPECT_EQ(target->BltFast(0, 0, *narrow, nullptr, SourceKey::kIgnore), SurfaceResult::kInvalidParams);
}

TEST(SoftSurface, CopyWithinOneSurfaceReadsThePictureBeforeIt) {
  SoftSurfaceDevice device(SurfaceFormat::kX8R8G8B8);
  auto surface = Numbered(device, 5, 1);
  const SurfaceRect first4{0, 0, 4, 1};
  ASSERT_EQ(surface->BltFast(1, 0, *surface, &first4, SourceKey::kIgnore), SurfaceResult::kOk);
  const uint32_t expected[] = {NumberOf(0, 0), NumberOf(0, 0), NumberOf(1, 0), NumberOf(2, 0), NumberOf(3, 0)};
  for (int32_t x = 0; x < 5; ++x) EXPECT_EQ(surface->GetPixel(x, 0), expected[x]) << x;
}

TEST(SoftSurface, SixteenBitPixelsWidenByRepeatingTopBits) {
  struct Case {
    uint32_t pixel, wide;
  };
  SoftSurfaceDevice device(SurfaceFormat::kR5G6B5);
  auto surface = device.CreateSurface(1, 1, SurfaceMemory::kSystem);
  for (const Case c : {Case{0xF800u, 0xFF0000u}, Case{0x07E0u, 0x00FF00u}, Case{0x001Fu, 0x0000FFu},
                       Case{0xFFFFu, 0xFFFFFFu}, Case{0x0000u, 0u}, Case{0x8410u, 0x848284u},
                       Case{0xFC08u, 0xFF8242u}}) {
    ASSERT_EQ(surface->Fill(nullptr, c.pixel), SurfaceResult::kOk);
    EXPECT_EQ(surface->GetPixelX8R8G8B8(0, 0), c.wide) << std::hex << c.pixel;
  }
}

class LostSurface : public ::testing::TestWithParam<SurfaceFormat> {};

TEST_P(LostSurface, RefusesWorkUntilRestored) {
  SoftSurfaceDevice device(GetParam());
  auto video = device.CreateSurface(3, 3, SurfaceMemory::kVideo);
  auto system = Numbered(device, 3, 3);
  ASSERT_EQ(video->Fill(nullptr, 5), SurfaceResult::kOk);
  device.LoseSurfaces();
  EXPECT_TRUE(video->IsLost());
  EXPECT_FALSE(system->IsLost());
  SurfaceLock lock;
  EXPECT_EQ(video->Lock(lock), SurfaceResult::kLost);
  EXPECT_EQ(video->Fill(nullptr, 1), SurfaceResult::kLost);
  EXPECT_EQ(video->BltFast(0, 0, *system, nullptr, SourceKey::kIgnore), SurfaceResult::kLost);
  EXPECT_EQ(system->BltFast(0, 0, *video, nullptr, SourceKey::kIgnore), SurfaceResult::kLost);

  device.FailRestores(2);
  EXPECT_EQ(video->Restore(), SurfaceResult::kLost);
  EXPECT_EQ(video->Restore(), SurfaceResult::kLost);
  EXPECT_TRUE(video->IsLost());
  EXPECT_EQ(video->Restore(), SurfaceResult::kOk);
  EXPECT_FALSE(video->IsLost());
  // Its memory came back empty: the picture has to be drawn again.
  EXPECT_EQ(video->GetPixel(1, 1), 0u);
  EXPECT_EQ(video->BltFast(0, 0, *system, nullptr, SourceKey::kIgnore), SurfaceResult::kOk);
  EXPECT_EQ(video->GetPixel(2, 2), NumberOf(2, 2));
  // A surface made after the loss is not lost, and restoring a sound one
  // changes nothing.
  auto later = device.CreateSurface(1, 1, SurfaceMemory::kVideo);
  EXPECT_FALSE(later->IsLost());
  EXPECT_EQ(system->Restore(), SurfaceResult::kOk);
  EXPECT_EQ(system->GetPixel(2, 2), NumberOf(2, 2));
}

INSTANTIATE_TEST_SUITE_P(Formats, LostSurface, ::testing::Values(SurfaceFormat::kX8R8G8B8, SurfaceFormat::kR5G6B5));

TEST(SoftSurfaceDevice, InjectedCreateAndLockFailures) {
  SoftSurfaceDevice device(SurfaceFormat::kR5G6B5);
  device.FailCreates(1);
  SurfaceResult result = SurfaceResult::kOk;
  EXPECT_EQ(device.CreateSurface(2, 2, SurfaceMemory::kVideo, &result), nullptr);
  EXPECT_EQ(result, SurfaceResult::kOutOfMemory);
  auto surface = device.CreateSurface(2, 2, SurfaceMemory::kVideo, &result);
  ASSERT_NE(surface, nullptr);
  device.FailLocks(1);
  SurfaceLock lock;
  EXPECT_EQ(surface->Lock(lock), SurfaceResult::kBusy);
  EXPECT_FALSE(surface->IsLocked());
  EXPECT_EQ(surface->Lock(lock), SurfaceResult::kOk);
  EXPECT_EQ(surface->Unlock(), SurfaceResult::kOk);
}

TEST(PresentSurface, FramesReachThePresenterAsX8R8G8B8) {
  for (SurfaceFormat format : {SurfaceFormat::kX8R8G8B8, SurfaceFormat::kR5G6B5}) {
    SoftSurfaceDevice device(format);
    auto buffer = device.CreateSurface(3, 2, SurfaceMemory::kVideo);
    const SurfaceRect corner{2, 1, 3, 2};
    const uint32_t red = format == SurfaceFormat::kR5G6B5 ? 0xF800u : 0x00FF0000u;
    ASSERT_EQ(buffer->Fill(&corner, red), SurfaceResult::kOk);
    FramePresenter presenter;  // never opened: frames stay in memory
    ASSERT_EQ(PresentSurface(presenter, *buffer), SurfaceResult::kOk);
    ASSERT_EQ(presenter.LastWidth(), 3);
    ASSERT_EQ(presenter.LastHeight(), 2);
    const std::vector<uint32_t> expected = {0, 0, 0, 0, 0, 0x00FF0000u};
    EXPECT_EQ(presenter.LastFrame(), expected);
    EXPECT_EQ(buffer->ToX8R8G8B8(), expected);

    device.LoseSurfaces();
    FramePresenter fresh;
    EXPECT_EQ(PresentSurface(fresh, *buffer), SurfaceResult::kLost);
    EXPECT_TRUE(fresh.LastFrame().empty());
  }
}

}  // namespace
}  // namespace platform
