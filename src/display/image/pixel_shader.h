// Per-pixel recolourings applied while images become surfaces, so that one
// picture serves in several colourings. They take every 16-bit pixel apart
// as 4-4-4-4 and every 32-bit pixel as 8-8-8-8, whatever the surface holds.
#pragma once

#include <cstdint>
#include <memory>

#include "display/colour.h"

class TPixelShader {
 public:
  virtual ~TPixelShader() = default;
  virtual uint16_t ShadePixel16(uint16_t pixel) const = 0;
  virtual uint32_t ShadePixel32(uint32_t pixel) const = 0;
  virtual const char* GetTypeName() const = 0;
};

// Exchanges red and blue, except for the pure-blue colour key.
class TColourSwapper : public TPixelShader {
 public:
  static constexpr const char* kTypeName = "ColourSwapper";

  uint16_t ShadePixel16(uint16_t pixel) const override;
  uint32_t ShadePixel32(uint32_t pixel) const override;
  const char* GetTypeName() const override { return kTypeName; }
};

// Tints a pixel towards the colour in proportion to its darkness; the
// colour's alpha is not used.
class TOverlayShader : public TPixelShader {
 public:
  static constexpr const char* kTypeName = "OverlayShader";

  TOverlayShader();
  explicit TOverlayShader(const TColour& colour);
  TOverlayShader(const TOverlayShader& other);
  TOverlayShader& operator=(const TOverlayShader&) = delete;

  uint16_t ShadePixel16(uint16_t pixel) const override;
  uint32_t ShadePixel32(uint32_t pixel) const override;
  const char* GetTypeName() const override { return kTypeName; }

  const TColour& GetColour() const { return *colour_; }

 private:
  std::unique_ptr<TColour> colour_;
};

// A new shader of the same kind (an overlay keeps its colour); null for a
// null shader or an unknown kind.
std::unique_ptr<TPixelShader> ClonePixelShader(const TPixelShader* shader);
// Orders shaders by type name, byte by byte, a shorter prefix first.
bool PixelShaderLess(const TPixelShader& a, const TPixelShader& b);
