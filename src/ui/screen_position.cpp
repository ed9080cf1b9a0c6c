#include "ui/screen_position.h"

#include <cmath>

const char* const TScreenPosition::kXModeNames[4] = {"RelPosX", "FracPosX", "AbsPosX",
                                                     "CentrePosX"};
const char* const TScreenPosition::kYModeNames[4] = {"RelPosY", "FracPosY", "AbsPosY",
                                                     "CentrePosY"};

namespace {

int32_t ModeOfAxisName(const char* const (&names)[4], const std::string& name) {
  for (int32_t mode = 0; mode < 4; ++mode) {
    if (name == names[mode]) {
      return mode;
    }
  }
  return -1;
}

int32_t ModeOrRelative(int32_t mode) {
  return mode < 0 ? TScreenPosition::kRelative : mode;
}

}  // namespace

TScreenPosition::TScreenPosition(float x, float y, const std::string& xModeName,
                                 const std::string& yModeName)
    : x_(x),
      y_(y),
      modeX_(ModeOrRelative(ModeFromXName(xModeName))),
      modeY_(ModeOrRelative(ModeFromYName(yModeName))) {}

int32_t TScreenPosition::ModeFromXName(const std::string& name) {
  return ModeOfAxisName(kXModeNames, name);
}

int32_t TScreenPosition::ModeFromYName(const std::string& name) {
  return ModeOfAxisName(kYModeNames, name);
}

int32_t TScreenPosition::ModeFromName(const std::string& name) {
  static const char* const kModeWords[4] = {"RelPos", "FracPos", "AbsPos", "CentrePos"};
  for (int32_t mode = 0; mode < 4; ++mode) {
    if (name.find(kModeWords[mode]) != std::string::npos) return mode;
  }
  return kRelative;
}

void TScreenPosition::SetXY(float x, float y) {
  x_ = x;
  y_ = y;
  modeX_ = kRelative;
  modeY_ = kRelative;
}

// Negative zero is not negative: the comparison below is false for it.
float TScreenPosition::ResolveAxis(float value, int32_t mode, int32_t size) {
  const float extent = static_cast<float>(size);
  switch (mode) {
    case kRelative:
      return value < 0.0f ? extent + value : value;
    case kFraction:
      return value < 0.0f ? extent + extent * value : extent * value;
    case kAbsolute:
      return value;
    case kCentred:
      return std::floor(extent * 0.5f) + value;
    default:
      return 0.0f;
  }
}
