// Where an interface element sits on the screen: one value and one mode per
// axis. The mode says how the value is read against the parent and the screen.
#pragma once

#include <cstdint>
#include <string>

class TScreenPosition {
 public:
  // Modes in the order of their configuration key names.
  enum Mode : int32_t {
    kRelative = 0,  // "RelPosX" / "RelPosY"
    kFraction = 1,  // "FracPosX" / "FracPosY"
    kAbsolute = 2,  // "AbsPosX" / "AbsPosY"
    kCentred = 3,   // "CentrePosX" / "CentrePosY"
  };

  TScreenPosition() = default;
  // Mode names that are none of the four of their axis give the relative mode.
  TScreenPosition(float x, float y, const std::string& xModeName, const std::string& yModeName);

  // The mode of a key name of the horizontal or vertical axis; -1 when the
  // name is none of that axis's four.
  static int32_t ModeFromXName(const std::string& name);
  static int32_t ModeFromYName(const std::string& name);
  // The key names of the horizontal and vertical axis, in mode order.
  static const char* const kXModeNames[4];
  static const char* const kYModeNames[4];

  float GetX() const { return x_; }
  float GetY() const { return y_; }
  int32_t GetModeX() const { return modeX_; }
  int32_t GetModeY() const { return modeY_; }

 private:
  float x_ = 0.0f;
  float y_ = 0.0f;
  int32_t modeX_ = kRelative;
  int32_t modeY_ = kRelative;
};
