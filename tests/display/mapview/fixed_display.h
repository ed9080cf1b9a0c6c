// A display of a fixed size and type name that draws nothing: what the map
// view's camera and lighting need of a display is its size and its name.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "support/recording_display.h"

class FixedDisplay : public testing_display::RecordingDisplay {
 public:
  FixedDisplay(std::string typeName, int32_t width, int32_t height)
      : RecordingDisplay(Options(width, height)), typeName_(std::move(typeName)) {}
  std::string GetTypeName() const override { return typeName_; }
  bool Is3D() const override { return false; }

 private:
  static testing_display::RecordingOptions Options(int32_t width, int32_t height) {
    testing_display::RecordingOptions options;
    options.width = width;
    options.height = height;
    return options;
  }

  std::string typeName_;
};
