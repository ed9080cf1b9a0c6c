#include <cstdlib>
#include <string>

#include "app/version_info.h"
#include "display/d3d/d3d_display.h"
#include "display/d3d/map_view_d3d_view.h"
#include "display/direct_draw_display.h"
#include "display/display.h"

namespace {

// "DVX_DISPLAY_DEPTH=16" runs the 2D display in R5G6B5, the test mode of
// 16-bit desktops; anything else keeps X8R8G8B8.
uint32_t RequestedDepth() {
  const char* depth = std::getenv("DVX_DISPLAY_DEPTH");
  return depth != nullptr && std::string(depth) == "16" ? 16u : 32u;
}

}  // namespace

std::unique_ptr<TDisplay> CreateDisplay(const std::string& typeName, bool fullScreen, int32_t width,
                                        int32_t height) {
  if (IsDirect3DTypeName(typeName) && TDirect3D8Display::CheckCapability()) {
    TD3DDisplayOptions options;
    // The window is reached through the version identity, which carries it;
    // without one (tools, tests) frames stay in memory.
    TVersionInfoHolder* holder = GetVersionInfo();
    options.window = holder != nullptr ? holder->Get()->GetWindowHandle() : nullptr;
    auto display = std::make_unique<TDirect3D8Display>(fullScreen, width, height, std::move(options));
    display->AdoptView(std::make_unique<TMapViewD3DView>(display.get()));
    // A display that did not start is handed back uninitialised; the caller
    // falls back to the 2D display.
    return display;
  }
  TDirectDrawDisplayOptions options;
  options.bitsPerPixel = RequestedDepth();
  return std::make_unique<TDirectDrawDisplay>(fullScreen, width, height, std::move(options));
}
