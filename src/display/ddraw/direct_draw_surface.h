// A picture on the 2D display: one image file converted once, at load time,
// into the display's pixel layout, recoloured by the key's pixel shader and
// made transparent where it is pure blue, so that drawing it is a plain
// rectangle copy.
#pragma once

#include <cstdint>
#include <memory>

#include "display/colour.h"
#include "display/surface.h"
#include "platform/soft_surface.h"

class TDirectDrawTarget;
class TImage;

class TDirectDrawSurface : public TSurface {
 public:
  // Pure blue: the transparent colour of 2D pictures.
  static const TColour& ColourKey();

  // Loads the key's picture at once; a picture that cannot be loaded leaves
  // a surface that draws nothing and measures 0 x 0.
  TDirectDrawSurface(const TSurfaceKey& key, TDirectDrawTarget* target);
  // A blank picture of the size, wholly transparent (glyphs are drawn into
  // it).
  TDirectDrawSurface(int32_t width, int32_t height, TDirectDrawTarget* target);
  ~TDirectDrawSurface() override;
  TDirectDrawSurface(const TDirectDrawSurface&) = delete;
  TDirectDrawSurface& operator=(const TDirectDrawSurface&) = delete;

  void Draw(TShape* quad) override;
  int32_t GetWidth() const override;
  int32_t GetHeight() const override;
  void Release() override;
  void Restore(const TSurfaceKey& key) override;

  // The unclipped copy, for quads that lie wholly inside the back buffer.
  void DrawFast(TShape* quad);
  void SetColourKey(const TColour& colour);
  bool HasColourKey() const { return hasColourKey_; }
  // The picture was read with an alpha byte per pixel.
  bool HasAlpha() const { return hasAlpha_; }
  // The pixels, or null when there is no picture.
  platform::SoftSurface* GetPixels() const { return surface_.get(); }
  bool IsLost() const { return surface_ != nullptr && surface_->IsLost(); }

 private:
  enum class TKeying : uint8_t { kNone, kBlue };

  void Load(const TSurfaceKey& key);
  void LoadImage(TImage& image, const std::string& fileName, platform::SurfaceMemory memory, TKeying keying);
  bool CreateSurface(int32_t width, int32_t height, platform::SurfaceMemory memory);
  void CopyImage(const TImage& image);
  void ApplyShader(const TPixelShader* shader);

  TDirectDrawTarget* target_ = nullptr;
  std::unique_ptr<platform::SoftSurface> surface_;
  bool hasColourKey_ = false;
  bool hasAlpha_ = false;
};
