// The copies a 2D frame is made of: a 1024 x 768 back buffer covered with
// 64 x 48 floor tiles by the plain copy, then with keyed 40 x 60 sprites by
// the fast copy, then stretched twice over by the clipped copy, in both
// display depths. The items per second are frames per second of that kind.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>

#include "platform/soft_surface.h"

namespace {

using platform::SoftSurface;
using platform::SoftSurfaceDevice;
using platform::SourceKey;
using platform::SurfaceFormat;
using platform::SurfaceMemory;
using platform::SurfaceRect;

constexpr int32_t kWidth = 1024;
constexpr int32_t kHeight = 768;

std::unique_ptr<SoftSurface> Patterned(SoftSurfaceDevice& device, int32_t width, int32_t height, bool keyed) {
  auto surface = device.CreateSurface(width, height, SurfaceMemory::kSystem);
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      const SurfaceRect pixel{x, y, x + 1, y + 1};
      // A quarter of a keyed sprite is transparent, in a checkerboard.
      const bool clear = keyed && ((x / 4 + y / 4) % 4 == 0);
      surface->Fill(&pixel, clear ? 0x1Fu : static_cast<uint32_t>(x * 7 + y * 13 + 0x20));
    }
  }
  if (keyed) surface->SetColourKey(0x1Fu, 0x1Fu);
  return surface;
}

void FrameOfCopies(benchmark::State& state, SurfaceFormat format, int kind) {
  SoftSurfaceDevice device(format);
  auto back = device.CreateSurface(kWidth, kHeight, SurfaceMemory::kVideo);
  auto tile = Patterned(device, 64, 48, false);
  auto sprite = Patterned(device, 40, 60, true);
  for (auto _ : state) {
    if (kind == 0) {
      for (int32_t y = -24; y < kHeight; y += 24) {
        for (int32_t x = (y / 24 % 2) * 32 - 32; x < kWidth; x += 64) {
          back->BltFast(x, y, *tile, nullptr, SourceKey::kIgnore);
        }
      }
    } else if (kind == 1) {
      for (int32_t y = 0; y < kHeight; y += 30) {
        for (int32_t x = 0; x < kWidth; x += 20) back->BltFast(x, y, *sprite, nullptr, SourceKey::kUse);
      }
    } else {
      for (int32_t y = -30; y < kHeight; y += 60) {
        for (int32_t x = -40; x < kWidth; x += 80) {
          const SurfaceRect to{x, y, x + 80, y + 120};
          back->Blt(&to, *sprite, nullptr, SourceKey::kUse);
        }
      }
    }
    benchmark::DoNotOptimize(back->GetPixel(512, 384));
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_FloorTiles32(benchmark::State& state) { FrameOfCopies(state, SurfaceFormat::kX8R8G8B8, 0); }
void BM_FloorTiles16(benchmark::State& state) { FrameOfCopies(state, SurfaceFormat::kR5G6B5, 0); }
void BM_KeyedSprites32(benchmark::State& state) { FrameOfCopies(state, SurfaceFormat::kX8R8G8B8, 1); }
void BM_KeyedSprites16(benchmark::State& state) { FrameOfCopies(state, SurfaceFormat::kR5G6B5, 1); }
void BM_StretchedSprites32(benchmark::State& state) { FrameOfCopies(state, SurfaceFormat::kX8R8G8B8, 2); }

}  // namespace

BENCHMARK(BM_FloorTiles32);
BENCHMARK(BM_FloorTiles16);
BENCHMARK(BM_KeyedSprites32);
BENCHMARK(BM_KeyedSprites16);
BENCHMARK(BM_StretchedSprites32);
