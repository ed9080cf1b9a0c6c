// A render device that passes every call to a software device and counts
// the texture bindings and draws that reach it.
#pragma once

#include <memory>
#include <vector>

#include "platform/render_device.h"

namespace d3d_test {

class CountingDevice : public platform::RenderDevice {
 public:
  explicit CountingDevice(std::unique_ptr<platform::RenderDevice> inner)
      : RenderDevice(inner->Faults()), inner_(std::move(inner)) {}

  platform::RenderBackend Backend() const override { return inner_->Backend(); }
  platform::DeviceResult BeginScene() override { return inner_->BeginScene(); }
  platform::DeviceResult EndScene() override { return inner_->EndScene(); }
  platform::DeviceResult Present() override { return inner_->Present(); }
  platform::DeviceResult TestCooperativeLevel() override { return inner_->TestCooperativeLevel(); }
  platform::DeviceResult Reset(const platform::PresentParameters& parameters) override {
    return inner_->Reset(parameters);
  }
  platform::DeviceResult Clear(uint32_t colour) override { return inner_->Clear(colour); }
  platform::DeviceResult GetViewport(platform::Viewport& viewport) const override {
    return inner_->GetViewport(viewport);
  }
  platform::DeviceResult SetViewport(const platform::Viewport& viewport) override {
    return inner_->SetViewport(viewport);
  }
  platform::DeviceResult GetDisplayMode(platform::DisplayMode& mode) const override {
    return inner_->GetDisplayMode(mode);
  }
  platform::TextureFormat BackBufferFormat() const override { return inner_->BackBufferFormat(); }
  int32_t BackBufferWidth() const override { return inner_->BackBufferWidth(); }
  int32_t BackBufferHeight() const override { return inner_->BackBufferHeight(); }
  int32_t MaxTextureWidth() const override { return inner_->MaxTextureWidth(); }
  platform::DeviceResult CreateTexture(int32_t width, int32_t height, platform::TextureFormat format,
                                       platform::TexturePool pool,
                                       std::unique_ptr<platform::RenderTexture>& texture) override {
    return inner_->CreateTexture(width, height, format, pool, texture);
  }
  void SetTexture(const platform::RenderTexture* texture) override {
    bindings.push_back(texture);
    inner_->SetTexture(texture);
  }
  void SetRenderStates(const platform::RenderStates& states) override { inner_->SetRenderStates(states); }
  const platform::RenderStates& GetRenderStates() const override { return inner_->GetRenderStates(); }
  platform::DeviceResult DrawPrimitiveUP(platform::PrimitiveType type, uint32_t primitiveCount, const void* vertices,
                                         uint32_t stride) override {
    ++draws;
    return inner_->DrawPrimitiveUP(type, primitiveCount, vertices, stride);
  }
  platform::DeviceResult CopyRects(const platform::RenderTexture& source, const platform::SourceRect& rect,
                                   int32_t destX, int32_t destY) override {
    return inner_->CopyRects(source, rect, destX, destY);
  }
  bool ReadBackBuffer(std::vector<uint32_t>& pixels, int32_t& width, int32_t& height) override {
    return inner_->ReadBackBuffer(pixels, width, height);
  }

  std::vector<const platform::RenderTexture*> bindings;
  int32_t draws = 0;

 private:
  std::unique_ptr<platform::RenderDevice> inner_;
};

}  // namespace d3d_test
