// Where an interface element sits on the screen: one value and one mode per
// axis. The mode says how the value is read against the size of the display
// (never against the parent element).
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
  // Both axes relative.
  TScreenPosition(float x, float y) : x_(x), y_(y) {}
  // Mode names that are none of the four of their axis give the relative mode.
  TScreenPosition(float x, float y, const std::string& xModeName, const std::string& yModeName);

  // The mode of a key name of the horizontal or vertical axis; -1 when the
  // name is none of that axis's four.
  static int32_t ModeFromXName(const std::string& name);
  static int32_t ModeFromYName(const std::string& name);
  // The key names of the horizontal and vertical axis, in mode order.
  static const char* const kXModeNames[4];
  static const char* const kYModeNames[4];

  // The mode of a key name of either axis, by the first of "RelPos",
  // "FracPos", "AbsPos" and "CentrePos" that it contains; relative for
  // anything else.
  static int32_t ModeFromName(const std::string& name);

  // Stores the values and makes both axes relative.
  void SetXY(float x, float y);

  // The position in display pixels on a display of the given size, in single
  // precision: relative values count back from the right or bottom edge when
  // negative, fractions are of the size (from the far edge when negative),
  // absolute values stand as they are, centred values are offsets from the
  // middle pixel. A mode outside the four gives 0.
  float ResolveX(int32_t width) const { return ResolveAxis(x_, modeX_, width); }
  float ResolveY(int32_t height) const { return ResolveAxis(y_, modeY_, height); }
  static float ResolveAxis(float value, int32_t mode, int32_t size);

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
