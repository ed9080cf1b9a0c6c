#include "display/d3d/d3d_texture.h"

#include "app/message_box.h"
#include "display/d3d/texture_convert.h"
#include "display/image/bmp_image.h"
#include "display/image/jpeg_image.h"
#include "display/image/png_image.h"
#include "display/image/tga_image.h"
#include "display/pixel_format.h"

namespace {

// Locks the device texels for the time of one pass; a failed lock has shown
// its message and leaves the area empty.
class TTexelLock {
 public:
  explicit TTexelLock(platform::RenderTexture& texture) : texture_(texture) {
    uint8_t* bits = nullptr;
    int32_t pitch = 0;
    if (!platform::Succeeded(texture_.Lock(bits, pitch))) {
      ShowMessageText("Failed to lock surface.");
      return;
    }
    area_ = {bits, pitch, texture_.Width(), texture_.Height()};
  }
  ~TTexelLock() {
    if (area_.bits != nullptr) texture_.Unlock();
  }
  TTexelLock(const TTexelLock&) = delete;
  TTexelLock& operator=(const TTexelLock&) = delete;

  bool IsLocked() const { return area_.bits != nullptr; }
  const texture_convert::TTexelArea& Area() const { return area_; }

 private:
  platform::RenderTexture& texture_;
  texture_convert::TTexelArea area_;
};

int32_t Narrow(uint32_t value) { return static_cast<int32_t>(value); }

}  // namespace

TD3D8Texture::TD3D8Texture(TTextureHost& host, const TSurfaceKey& key) : host_(host) { LoadTextureFile(key); }

TD3D8Texture::~TD3D8Texture() = default;

void TD3D8Texture::Draw(TShape* quad) {
  if (texture_ == nullptr || quad == nullptr) return;
  if (copyToBackBuffer_) {
    host_.CopyToBackBuffer(quad, this);
  } else {
    host_.DrawTexturedQuad(quad, this);
  }
}

int32_t TD3D8Texture::GetWidth() const { return texture_ != nullptr ? texture_->Width() : 0; }

// The height of the texels, not their width: a texture that is not square
// answers its own height.
int32_t TD3D8Texture::GetHeight() const { return texture_ != nullptr ? texture_->Height() : 0; }

void TD3D8Texture::Release() {
  // A texture still bound on the device must not be left there dangling.
  if (texture_ != nullptr) host_.SetTexture(nullptr);
  texture_.reset();
}

void TD3D8Texture::Restore(const TSurfaceKey& key) { LoadTextureFile(key); }

void TD3D8Texture::Bind() { host_.SetTexture(this); }

void TD3D8Texture::LoadTextureFile(const TSurfaceKey& key) {
  Release();
  copyToBackBuffer_ = false;
  imageWidth_ = 0;
  imageHeight_ = 0;
  const std::string& name = key.GetFileName();
  bool shade = true;
  if (name.find(".jpg") != std::string::npos) {
    LoadJpeg(name);
  } else if (name.find(".png") != std::string::npos) {
    TPngJpegImage image;
    LoadWithAlpha(image, name);
  } else if (name.find(".tga") != std::string::npos) {
    TTgaImage image;
    LoadWithAlpha(image, name);
  } else if (name.find(".bmp") != std::string::npos) {
    shade = LoadBmp(name);
  } else {
    shade = false;
  }
  if (shade) ApplyShader(key.GetShader());
}

bool TD3D8Texture::LoadJpeg(const std::string& fileName) {
  TJpegImage image;
  const bool loaded = image.Load(fileName) && FitsDevice(image.GetWidth(), image.GetHeight(), fileName) &&
                      Create(Narrow(image.GetWidth()), Narrow(image.GetHeight()), true) &&
                      Upload(image, false, true);
  if (!loaded) texture_.reset();
  return loaded;
}

bool TD3D8Texture::LoadWithAlpha(TImage& image, const std::string& fileName) {
  if (!image.Load(fileName) || !FitsDevice(image.GetWidth(), image.GetHeight(), fileName)) {
    texture_.reset();
    return false;
  }
  const bool full = host_.IsHighTextureResolution();
  const uint32_t width = full ? image.GetWidth() : image.GetWidth() / 2;
  const uint32_t height = full ? image.GetHeight() : image.GetHeight() / 2;
  const bool loaded = Create(Narrow(width), Narrow(height), false) && Upload(image, true, full);
  if (!loaded) texture_.reset();
  return loaded;
}

bool TD3D8Texture::LoadBmp(const std::string& fileName) {
  TBmpImage image;
  const bool loaded = image.Load(fileName) && FitsDevice(image.GetWidth(), image.GetHeight(), fileName) &&
                      Create(Narrow(image.GetWidth()), Narrow(image.GetHeight()), false) &&
                      Upload(image, false, true);
  if (loaded) {
    // Bitmaps carry no transparency: they draw opaque whatever their fourth byte.
    const TTexelLock lock(*texture_);
    if (lock.IsLocked()) {
      texture_convert::MakeOpaque(host_.GetTexturePixelFormat()->GetMask(TPixelFormat::kAlpha),
                                  platform::BytesPerTexel(texture_->Format()), lock.Area());
    }
  }
  if (!loaded) {
    texture_.reset();
    ShowMessageBox("Couldn't load texture:%s", fileName.c_str());
  }
  return loaded;
}

bool TD3D8Texture::FitsDevice(uint32_t width, uint32_t height, const std::string& fileName) const {
  const platform::RenderDevice* device = host_.GetRenderDevice();
  if (device == nullptr) return false;
  const auto limit = static_cast<uint32_t>(device->MaxTextureWidth() > 0 ? device->MaxTextureWidth() : 0);
  if (width <= limit && height <= limit) return true;
  ShowMessageBox("Texture too large for the device: %s (%u x %u, at most %u)", fileName.c_str(), width, height,
                 limit);
  return false;
}

bool TD3D8Texture::Create(int32_t width, int32_t height, bool copy) {
  platform::RenderDevice* device = host_.GetRenderDevice();
  const TPixelFormat* pixelFormat = host_.GetTexturePixelFormat();
  if (device == nullptr || pixelFormat == nullptr) return false;
  platform::TextureFormat format = pixelFormat->GetBitsPerPixel() == 32 ? platform::TextureFormat::kA8R8G8B8
                                                                         : platform::TextureFormat::kA4R4G4B4;
  platform::TexturePool pool = platform::TexturePool::kManaged;
  if (copy) {
    copyToBackBuffer_ = true;
    format = host_.GetBackBufferFormat();
    pool = platform::TexturePool::kSystemMemory;
  }
  if (platform::Succeeded(device->CreateTexture(width, height, format, pool, texture_))) return true;
  imageWidth_ = width;
  imageHeight_ = height;
  const int32_t retryWidth = texture_convert::RetrySize(width);
  const int32_t retryHeight = texture_convert::RetrySize(height);
  if (retryWidth > device->MaxTextureWidth() || retryHeight > device->MaxTextureWidth()) return false;
  return platform::Succeeded(device->CreateTexture(retryWidth, retryHeight, format, pool, texture_)) &&
         texture_ != nullptr;
}

bool TD3D8Texture::Upload(const TImage& image, bool withAlpha, bool fullResolution) {
  if (texture_ == nullptr) return false;
  const TTexelLock lock(*texture_);
  if (!lock.IsLocked()) return false;
  const TPixelFormat& pixelFormat = *host_.GetTexturePixelFormat();
  const texture_convert::TChannelMasks masks = texture_convert::MasksOf(pixelFormat);
  const int32_t texelBytes = platform::BytesPerTexel(texture_->Format());
  if (pixelFormat.GetBitsPerPixel() == 16 && texelBytes == 2) {
    if (copyToBackBuffer_) {
      texture_convert::FillCopyTexture16(image, texture_->Format(), lock.Area());
    } else if (fullResolution) {
      texture_convert::FillTexture16(image, masks, withAlpha, lock.Area());
    } else {
      texture_convert::FillTexture16Half(image, masks, withAlpha, lock.Area());
    }
  } else if (pixelFormat.GetBitsPerPixel() == 32 && texelBytes == 4) {
    if (fullResolution) {
      texture_convert::FillTexture32(image, masks, withAlpha, lock.Area());
    } else {
      texture_convert::FillTexture32Half(image, masks, withAlpha, lock.Area());
    }
  }
  return true;
}

void TD3D8Texture::ApplyShader(const TPixelShader* shader) {
  if (shader == nullptr || texture_ == nullptr) return;
  const TTexelLock lock(*texture_);
  if (lock.IsLocked()) texture_convert::ShadeTexels(*shader, texture_->Format(), lock.Area());
}
