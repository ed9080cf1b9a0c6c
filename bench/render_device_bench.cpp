// Frames a second of the 3D device: a 1024 x 768 frame of about 2000
// textured, alpha-blended 32 x 32 sprites, cleared and presented each frame.
// The software device runs anywhere; the OpenGL one needs a display (run the
// benchmark under xvfb-run for llvmpipe).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/render_device.h"
#include "platform/window.h"

namespace {

using platform::RenderVertex;

constexpr int32_t kWidth = 1024;
constexpr int32_t kHeight = 768;
constexpr int kSprites = 2000;
constexpr int32_t kSpriteSize = 32;

std::unique_ptr<platform::RenderTexture> MakeSpriteTexture(platform::RenderDevice& device) {
  std::unique_ptr<platform::RenderTexture> texture;
  device.CreateTexture(kSpriteSize, kSpriteSize, platform::TextureFormat::kA8R8G8B8,
                       platform::TexturePool::kManaged, texture);
  if (!texture) return nullptr;
  uint8_t* bits = nullptr;
  int32_t pitch = 0;
  texture->Lock(bits, pitch);
  for (int32_t y = 0; y < kSpriteSize; ++y) {
    auto* row = reinterpret_cast<uint32_t*>(bits + y * pitch);
    for (int32_t x = 0; x < kSpriteSize; ++x) {
      // A disc with a soft rim, transparent corners.
      const int32_t dx = 2 * x - kSpriteSize + 1, dy = 2 * y - kSpriteSize + 1;
      const int32_t d = dx * dx + dy * dy;
      const uint32_t alpha = d < 700 ? 255u : (d < 1000 ? 128u : 0u);
      row[x] = alpha << 24 | static_cast<uint32_t>(x * 8) << 16 | static_cast<uint32_t>(y * 8) << 8 | 0x80u;
    }
  }
  texture->Unlock();
  return texture;
}

// Sprite corners as strips of four, placed by a fixed sequence.
std::vector<RenderVertex> MakeSprites() {
  std::vector<RenderVertex> vertices;
  uint32_t seed = 12345;
  const auto next = [&seed] {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 8) & 0xFFFFu;
  };
  for (int i = 0; i < kSprites; ++i) {
    const float x = static_cast<float>(next() % (kWidth - kSpriteSize)) - 0.5f;
    const float y = static_cast<float>(next() % (kHeight - kSpriteSize)) - 0.5f;
    const float s = static_cast<float>(kSpriteSize);
    const uint32_t colour = 0xFF000000u | (0x808080u + (next() & 0x7F7F7Fu));
    vertices.push_back({x, y, 0.5f, 1.0f, colour, 0.0f, 0.0f});
    vertices.push_back({x + s, y, 0.5f, 1.0f, colour, 1.0f, 0.0f});
    vertices.push_back({x, y + s, 0.5f, 1.0f, colour, 0.0f, 1.0f});
    vertices.push_back({x + s, y + s, 0.5f, 1.0f, colour, 1.0f, 1.0f});
  }
  return vertices;
}

void RunFrames(benchmark::State& state, platform::RenderDevice& device) {
  auto texture = MakeSpriteTexture(device);
  const std::vector<RenderVertex> sprites = MakeSprites();
  platform::RenderStates states;
  states.alphaBlend = true;
  states.srcBlend = platform::BlendFactor::kSrcAlpha;
  states.destBlend = platform::BlendFactor::kInvSrcAlpha;
  states.alphaOp = platform::TextureOp::kModulate;
  for (auto _ : state) {
    device.BeginScene();
    device.Clear(0xFF000000u);
    device.SetRenderStates(states);
    device.SetTexture(texture.get());
    for (int i = 0; i < kSprites; ++i) {
      device.DrawPrimitiveUP(platform::PrimitiveType::kTriangleStrip, 2, &sprites[static_cast<size_t>(i) * 4],
                             sizeof(RenderVertex));
    }
    device.EndScene();
    device.Present();
  }
  std::vector<uint32_t> pixels;
  int32_t width = 0, height = 0;
  device.ReadBackBuffer(pixels, width, height);  // waits for the last frame to finish
  state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()),
                                             benchmark::Counter::kIsRate);
}

platform::DeviceCreateParams FrameParams() {
  platform::DeviceCreateParams params;
  params.present.backBufferWidth = kWidth;
  params.present.backBufferHeight = kHeight;
  return params;
}

void BM_SoftwareDeviceSpriteFrame(benchmark::State& state) {
  platform::DeviceResult result;
  auto device = platform::CreateSoftwareDevice(FrameParams(), result);
  if (!device) {
    state.SkipWithError("the software device did not start");
    return;
  }
  RunFrames(state, *device);
}
BENCHMARK(BM_SoftwareDeviceSpriteFrame)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_OpenGLDeviceSpriteFrame(benchmark::State& state) {
  if (platform::IsHeadless()) {
    state.SkipWithError("no display for OpenGL");
    return;
  }
  platform::DeviceResult result;
  auto device = platform::CreateOpenGLDevice(FrameParams(), result);
  if (!device) {
    state.SkipWithError("OpenGL did not start");
    return;
  }
  RunFrames(state, *device);
}
BENCHMARK(BM_OpenGLDeviceSpriteFrame)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
