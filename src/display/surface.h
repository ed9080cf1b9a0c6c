// The image surfaces a display makes from image files, and the key they are
// made and cached by.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "display/image/pixel_shader.h"

class TShape;

// An image file name and the optional pixel shader applied while loading.
// Copies clone the shader.
class TSurfaceKey {
 public:
  TSurfaceKey() = default;
  TSurfaceKey(std::string fileName, const TPixelShader* shader);
  TSurfaceKey(const TSurfaceKey& other);
  TSurfaceKey& operator=(const TSurfaceKey& other);
  TSurfaceKey(TSurfaceKey&&) noexcept = default;
  TSurfaceKey& operator=(TSurfaceKey&&) noexcept = default;
  ~TSurfaceKey() = default;

  const std::string& GetFileName() const { return fileName_; }
  const TPixelShader* GetShader() const { return shader_.get(); }

  // By file name as unsigned bytes, a proper prefix first; for equal names no
  // shader before any shader, shaders by their type names.
  bool operator<(const TSurfaceKey& other) const;

 private:
  std::string fileName_;
  std::unique_ptr<TPixelShader> shader_;
};

// A display's image surface (a texture or a 2D surface). Release gives up
// the device memory before a display rebuild; Restore loads it again from
// its key after it.
class TSurface {
 public:
  virtual ~TSurface() = default;
  virtual void Draw(TShape* quad) = 0;
  virtual int32_t GetWidth() const = 0;
  virtual int32_t GetHeight() const = 0;
  virtual void Release() = 0;
  virtual void Restore(const TSurfaceKey& key) = 0;
};
