// A display of a fixed size and type name that draws nothing: what the map
// view's camera and lighting need of a display is its size and its name.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "display/display.h"

class FixedDisplay : public TDisplay {
 public:
  FixedDisplay(std::string typeName, int32_t width, int32_t height)
      : typeName_(std::move(typeName)), width_(width), height_(height) {}
  bool Init(bool, int32_t, int32_t) override { return true; }
  void Shutdown() override {}
  void BeginFrame() override {}
  void Present() override {}
  int32_t GetWidth() const override { return width_; }
  int32_t GetHeight() const override { return height_; }
  bool IsFullScreen() const override { return false; }
  bool Resize(int32_t, int32_t) override { return true; }
  void OnWindowMoved() override {}
  void Clear() override {}
  std::string GetConfigName() const override { return "2D.cfg"; }
  std::string GetTypeName() const override { return typeName_; }

 private:
  std::string typeName_;
  int32_t width_;
  int32_t height_;
};
