#include "ui/screen_position.h"

const char* const TScreenPosition::kXModeNames[4] = {"RelPosX", "FracPosX", "AbsPosX",
                                                     "CentrePosX"};
const char* const TScreenPosition::kYModeNames[4] = {"RelPosY", "FracPosY", "AbsPosY",
                                                     "CentrePosY"};

namespace {

int32_t ModeFromName(const char* const (&names)[4], const std::string& name) {
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
  return ModeFromName(kXModeNames, name);
}

int32_t TScreenPosition::ModeFromYName(const std::string& name) {
  return ModeFromName(kYModeNames, name);
}
