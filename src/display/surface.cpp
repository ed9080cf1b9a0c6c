#include "display/surface.h"

#include <utility>

TSurfaceKey::TSurfaceKey(std::string fileName, const TPixelShader* shader)
    : fileName_(std::move(fileName)), shader_(ClonePixelShader(shader)) {}

TSurfaceKey::TSurfaceKey(const TSurfaceKey& other)
    : fileName_(other.fileName_), shader_(ClonePixelShader(other.shader_.get())) {}

TSurfaceKey& TSurfaceKey::operator=(const TSurfaceKey& other) {
  if (this != &other) {
    fileName_ = other.fileName_;
    shader_ = ClonePixelShader(other.shader_.get());
  }
  return *this;
}

bool TSurfaceKey::operator<(const TSurfaceKey& other) const {
  // std::string compares char_traits<char>, which orders as unsigned bytes.
  const int byName = fileName_.compare(other.fileName_);
  if (byName != 0) return byName < 0;
  if (other.shader_ == nullptr) return false;
  if (shader_ == nullptr) return true;
  return PixelShaderLess(*shader_, *other.shader_);
}
