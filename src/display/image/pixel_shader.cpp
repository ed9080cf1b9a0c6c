#include "display/image/pixel_shader.h"

#include <utility>
#include <string_view>

#include "display/pixel_format.h"

namespace {

struct TChannels {
  uint32_t red = 0;
  uint32_t green = 0;
  uint32_t blue = 0;
  uint32_t alpha = 0;
};

TChannels Unpack(const TPixelFormat& format, uint32_t pixel) {
  return {format.GetRed(pixel), format.GetGreen(pixel), format.GetBlue(pixel), format.GetAlpha(pixel)};
}

uint32_t Repack(const TPixelFormat& format, const TChannels& c) {
  return format.Pack(static_cast<uint8_t>(c.red), static_cast<uint8_t>(c.green), static_cast<uint8_t>(c.blue),
                     static_cast<uint8_t>(c.alpha));
}

uint32_t SwapRedBlue(const TPixelFormat& format, uint32_t pixel, uint32_t channelMax) {
  TChannels c = Unpack(format, pixel);
  // The transparent key colour must stay pure blue.
  if (c.red == 0 && c.green == 0 && c.blue == channelMax && c.alpha == 0) return pixel;
  std::swap(c.red, c.blue);
  return Repack(format, c);
}

// One channel pulled towards the overlay by the pixel's darkness, in single
// precision, truncated.
uint32_t Overlaid(uint32_t channel, float overlay, float darkness, float full, float inverse) {
  const float value = static_cast<float>(channel) * (full - overlay * darkness) * inverse;
  // Overlay components outside 0..1 could leave the channel's range; the
  // result is kept within it rather than spilling into other channels.
  if (!(value > 0.0f)) return 0u;
  const float channelMax = full / 3.0f;
  return value >= channelMax ? static_cast<uint32_t>(channelMax) : static_cast<uint32_t>(value);
}

struct TOverlayScale {
  float full;          // three times the channel maximum
  float inverse;       // its single-precision reciprocal
  uint32_t threshold;  // each of red, green and blue must exceed it
};

uint32_t Overlay(const TPixelFormat& format, const TColour& colour, uint32_t pixel, const TOverlayScale& scale) {
  TChannels c = Unpack(format, pixel);
  if (c.red <= scale.threshold || c.green <= scale.threshold || c.blue <= scale.threshold) return pixel;
  const float darkness = scale.full - static_cast<float>(c.red) - static_cast<float>(c.green) -
                         static_cast<float>(c.blue);
  c.red = Overlaid(c.red, colour.r, darkness, scale.full, scale.inverse);
  c.green = Overlaid(c.green, colour.g, darkness, scale.full, scale.inverse);
  c.blue = Overlaid(c.blue, colour.b, darkness, scale.full, scale.inverse);
  return Repack(format, c);
}

constexpr TOverlayScale kOverlay32{765.0f, 0.0013071896f, 16};
constexpr TOverlayScale kOverlay16{45.0f, 0.022222223f, 0};

const TColour kDefaultOverlay(0.0f, 1.0f, 1.0f, 1.0f);

}  // namespace

uint16_t TColourSwapper::ShadePixel16(uint16_t pixel) const {
  return static_cast<uint16_t>(SwapRedBlue(TPixelFormat::ShiftedA4R4G4B4(), pixel, 15));
}

uint32_t TColourSwapper::ShadePixel32(uint32_t pixel) const {
  return SwapRedBlue(TPixelFormat::ShiftedA8R8G8B8(), pixel, 255);
}

TOverlayShader::TOverlayShader() : colour_(std::make_unique<TColour>(kDefaultOverlay)) {}

TOverlayShader::TOverlayShader(const TColour& colour) : colour_(std::make_unique<TColour>(colour)) {}

TOverlayShader::TOverlayShader(const TOverlayShader& other)
    : TPixelShader(), colour_(std::make_unique<TColour>(*other.colour_)) {}

uint16_t TOverlayShader::ShadePixel16(uint16_t pixel) const {
  return static_cast<uint16_t>(Overlay(TPixelFormat::ShiftedA4R4G4B4(), *colour_, pixel, kOverlay16));
}

uint32_t TOverlayShader::ShadePixel32(uint32_t pixel) const {
  return Overlay(TPixelFormat::ShiftedA8R8G8B8(), *colour_, pixel, kOverlay32);
}

std::unique_ptr<TPixelShader> ClonePixelShader(const TPixelShader* shader) {
  if (shader == nullptr) return nullptr;
  const std::string_view name = shader->GetTypeName();
  if (name == TColourSwapper::kTypeName) return std::make_unique<TColourSwapper>();
  if (name == TOverlayShader::kTypeName) {
    const auto* overlay = dynamic_cast<const TOverlayShader*>(shader);
    return overlay != nullptr ? std::make_unique<TOverlayShader>(*overlay) : nullptr;
  }
  return nullptr;
}

bool PixelShaderLess(const TPixelShader& a, const TPixelShader& b) {
  return std::string_view(a.GetTypeName()) < std::string_view(b.GetTypeName());
}
