#include "display/direct_draw_display.h"
#include "display/display.h"

std::unique_ptr<TDisplay> CreateDisplay(const std::string& typeName, bool fullScreen, int32_t width,
                                        int32_t height) {
  // This build has no 3D device, so "DD8_3D" and "DD7_3D" fail the device
  // check and, like every other name, give the 2D display.
  (void)typeName;
  return std::make_unique<TDirectDrawDisplay>(fullScreen, width, height);
}
