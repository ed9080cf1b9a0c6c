#include "display/direct_draw_display.h"

#include <algorithm>

#include "app/version_info.h"

TDirectDrawDisplay::TDirectDrawDisplay(bool fullScreen, int32_t width, int32_t height) {
  Init(fullScreen, width, height);
}

TDirectDrawDisplay::~TDirectDrawDisplay() { Shutdown(); }

bool TDirectDrawDisplay::Init(bool fullScreen, int32_t width, int32_t height) {
  fullScreen_ = fullScreen;
  width_ = std::max<int32_t>(width, 1);
  height_ = std::max<int32_t>(height, 1);
  backBuffer_.assign(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_), 0u);
  // The window is reached through the version identity, which carries it.
  TVersionInfoHolder* holder = GetVersionInfo();
  platform::WindowHandle window = holder != nullptr ? holder->Get()->GetWindowHandle() : nullptr;
  // Without a window (tools, tests) frames stay in memory.
  if (window != nullptr) presenter_.Open(window, width_, height_);
  return true;
}

void TDirectDrawDisplay::Shutdown() { presenter_.Close(); }

void TDirectDrawDisplay::BeginFrame() { Clear(); }

void TDirectDrawDisplay::Present() {
  presenter_.Present(backBuffer_.data(), width_, height_, width_ * 4);
  SetViewChanged(false);
}

bool TDirectDrawDisplay::Resize(int32_t width, int32_t height) {
  if (width <= 0 || height <= 0) return false;
  width_ = width;
  height_ = height;
  backBuffer_.assign(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_), 0u);
  presenter_.Resize(width_, height_);
  SetViewChanged(true);
  return true;
}

void TDirectDrawDisplay::OnWindowMoved() { SetViewChanged(true); }

void TDirectDrawDisplay::Clear() { std::fill(backBuffer_.begin(), backBuffer_.end(), 0u); }
