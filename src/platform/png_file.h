// Frames written as PNG, for screenshots and for checking headless runs.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace platform {

// Writes X8R8G8B8 pixels (tightly packed rows) as an 8-bit RGB PNG.
bool WritePng(std::string_view gamePath, const std::vector<uint32_t>& pixels, int32_t width, int32_t height);

}  // namespace platform
