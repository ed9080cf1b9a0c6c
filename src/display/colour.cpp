#include "display/colour.h"

#include <vector>

#include "app/text_utils.h"

namespace {

// Out-of-range channels would otherwise spill into their neighbours' bytes
// (or be undefined for NaN and huge values).
uint32_t ChannelByte(float value) {
  if (!(value > 0.0f)) return 0u;
  if (value >= 1.0f) return 255u;
  return static_cast<uint32_t>(static_cast<double>(value) * 255.0);
}

float FieldValue(const std::vector<std::string>& fields, std::size_t index) {
  return index < fields.size() ? NarrowToFloat(StringToFloat(fields[index])) : 0.0f;
}

float CappedProduct(float channel, float factor) {
  const float product = channel * factor;
  return product > 1.0f ? 1.0f : product;
}

}  // namespace

TColour::TColour(float r, float g, float b, float a) : r(r), g(g), b(b), a(a) {}

TColour::~TColour() = default;

void TColour::Set(float red, float green, float blue, float alpha) {
  r = red;
  g = green;
  b = blue;
  a = alpha;
}

void TColour::Parse(const std::string& text) {
  const std::vector<std::string> fields = SplitString(text, ",");
  Set(FieldValue(fields, 0), FieldValue(fields, 1), FieldValue(fields, 2), FieldValue(fields, 3));
}

std::unique_ptr<TColour> TColour::Scaled(float factor) const {
  return std::make_unique<TColour>(CappedProduct(r, factor), CappedProduct(g, factor),
                                   CappedProduct(b, factor), a);
}

uint32_t TColour::PackARGB(float red, float green, float blue, float alpha) {
  return (ChannelByte(alpha) << 24) | (ChannelByte(red) << 16) | (ChannelByte(green) << 8) |
         ChannelByte(blue);
}

uint32_t TColour::PackOpaque(float red, float green, float blue) {
  return 0xFF000000u | (ChannelByte(red) << 16) | (ChannelByte(green) << 8) | ChannelByte(blue);
}

uint32_t TColour::PackRGB(float red, float green, float blue) {
  return (ChannelByte(blue) << 16) | (ChannelByte(green) << 8) | ChannelByte(red);
}
