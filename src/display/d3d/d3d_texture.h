// The image surfaces of the 3D display: textures made from image files by
// extension, converted into the display's texel layout, optionally halved,
// and recoloured by the key's pixel shader. Ordinary textures are bound to
// the device and drawn by the quads; copy textures (".jpg" pictures) live in
// the back buffer's layout and are copied straight onto the screen.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "display/surface.h"
#include "platform/render_device.h"

class TD3D8Texture;
class TImage;
class TPixelFormat;

// What a texture needs of the display that made it.
class TTextureHost {
 public:
  virtual ~TTextureHost() = default;
  // Null while the display has no device.
  virtual platform::RenderDevice* GetRenderDevice() const = 0;
  // The layout of the texels (32-bit A8R8G8B8 or 16-bit A4R4G4B4 masks).
  virtual const TPixelFormat* GetTexturePixelFormat() const = 0;
  virtual platform::TextureFormat GetBackBufferFormat() const = 0;
  // Without it, images are loaded at half their size.
  virtual bool IsHighTextureResolution() const = 0;
  virtual void SetTexture(TD3D8Texture* texture) = 0;
  virtual void DrawTexturedQuad(TShape* quad, TD3D8Texture* texture) = 0;
  virtual void CopyToBackBuffer(TShape* quad, TD3D8Texture* texture) = 0;
};

class TTexture : public TSurface {
 public:
  // Makes this the texture the next shapes draw with.
  virtual void Bind() = 0;
};

class TD3D8Texture : public TTexture {
 public:
  // Loads the key's file at once; a file that cannot be loaded leaves a
  // texture without device texels, which draws nothing.
  TD3D8Texture(TTextureHost& host, const TSurfaceKey& key);
  ~TD3D8Texture() override;
  TD3D8Texture(const TD3D8Texture&) = delete;
  TD3D8Texture& operator=(const TD3D8Texture&) = delete;

  void Draw(TShape* quad) override;
  int32_t GetWidth() const override;
  int32_t GetHeight() const override;
  void Release() override;
  void Restore(const TSurfaceKey& key) override;
  void Bind() override;

  const platform::RenderTexture* GetDeviceTexture() const { return texture_.get(); }
  bool IsCopyTexture() const { return copyToBackBuffer_; }
  // The image's size when the texture had to be made larger; 0 otherwise.
  int32_t GetImageWidth() const { return imageWidth_; }
  int32_t GetImageHeight() const { return imageHeight_; }

 private:
  void LoadTextureFile(const TSurfaceKey& key);
  bool LoadJpeg(const std::string& fileName);
  // PNG (with a JPEG colour companion) and TGA images, with alpha.
  bool LoadWithAlpha(TImage& image, const std::string& fileName);
  bool LoadBmp(const std::string& fileName);
  // Refuses sizes the device cannot hold before anything is allocated.
  bool FitsDevice(uint32_t width, uint32_t height, const std::string& fileName) const;
  bool Create(int32_t width, int32_t height, bool copy);
  bool Upload(const TImage& image, bool withAlpha, bool fullResolution);
  void ApplyShader(const TPixelShader* shader);

  TTextureHost& host_;
  std::unique_ptr<platform::RenderTexture> texture_;
  bool copyToBackBuffer_ = false;
  int32_t imageWidth_ = 0;
  int32_t imageHeight_ = 0;
};
