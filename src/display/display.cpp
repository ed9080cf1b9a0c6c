#include "display/display.h"

void TDisplay::DrawText(const std::string& /*text*/, int32_t /*x*/, int32_t /*y*/, const TColour& /*colour*/) {}

float TDisplay::GetTextWidth(const std::string& /*text*/, int32_t /*begin*/, int32_t /*end*/) { return 0.0f; }

float TDisplay::GetStringWidth(const std::string& text) {
  return GetTextWidth(text, 0, static_cast<int32_t>(text.size()));
}

float TDisplay::GetTextHeight(const std::string& /*text*/) { return 0.0f; }

void TDisplay::SetTextScale(float /*scale*/) {}

void TDisplay::LockBackBuffer() {}

void TDisplay::UnlockBackBuffer() {}

bool IsDirect3DTypeName(const std::string& typeName) {
  return typeName == kDirect3DTypeName || typeName == kDirect3DOldTypeName;
}
