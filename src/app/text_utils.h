// Text and number helpers shared by every reader of config text and by the
// display. Byte strings; ASCII case rules.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/vector3.h"

class TColour;
class TScreenPosition;

std::string TrimText(const std::string& text);
std::string StripComment(const std::string& text);
std::vector<std::string> SplitString(const std::string& text, const std::string& delimiters);
bool ContainsText(const std::string& text, const std::string& part);
void EraseText(std::string& text, const std::string& part);
std::string ReplaceAll(const std::string& text, const std::string& pattern,
                       const std::string& replacement);
void UpperCase(std::string& characters);
std::string LowerCase(const std::string& text);

double StringToFloat(const std::string& text);
// Leading blanks, a sign and decimal digits, as atoi reads them; 0 when there
// are none; clamped to the int32 range.
int32_t StringToInt(const std::string& text);
// Doubles beyond the float range become infinities.
float NarrowToFloat(double value);
bool StringToBool(const std::string& text);
std::string IntToString(int64_t value);
std::string IntToStringPadded(int64_t value, int width);
std::string FloatToString(double value, int decimals);
std::string BoolToString(bool value);

TVector3 ParseVector3(const std::string& text);
TColour* ParseColour(const std::string& text);
TScreenPosition ParseScreenPosition(const std::string& text);

// Walks the grid points of a line, one step at a time.
class TLineStepper {
 public:
  void Init(int32_t x0, int32_t y0, int32_t x1, int32_t y1);
  void Step(int32_t& x, int32_t& y);

 private:
  int32_t diagonalX_ = 0;
  int32_t diagonalY_ = 0;
  int32_t straightX_ = 0;
  int32_t straightY_ = 0;
  int32_t twiceLong_ = 0;
  int32_t twiceShort_ = 0;
  int32_t error_ = 0;
};
