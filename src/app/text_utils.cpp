#include "app/text_utils.h"

#include <algorithm>
#include <cctype>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "app/config_parser.h"
#include "display/colour.h"
#include "ui/screen_position.h"

namespace {

constexpr const char* kTrimmedCharacters = " \n\r\t";


float FieldAsFloat(const std::vector<std::string>& fields, std::size_t index) {
  return index < fields.size() ? NarrowToFloat(StringToFloat(fields[index])) : 0.0f;
}

// An integral double as decimal digits, however large.
std::string WholeNumberText(double value) {
  char buffer[400];
  std::snprintf(buffer, sizeof(buffer), "%.0f", value);
  return buffer;
}

// The first of the axis's four keys present in the line decides the mode.
bool ReadAxis(TConfigParser& line, const char* const (&names)[4], float& value,
              std::string& modeName) {
  for (const char* name : names) {
    if (line.GetFloat(name, value)) {
      modeName = name;
      return true;
    }
  }
  return false;
}

}  // namespace

std::string TrimText(const std::string& text) {
  const std::size_t first = text.find_first_not_of(kTrimmedCharacters);
  if (first == std::string::npos) {
    return std::string();
  }
  const std::size_t last = text.find_last_not_of(kTrimmedCharacters);
  return text.substr(first, last - first + 1);
}

std::string StripComment(const std::string& text) {
  return text.substr(0, text.find('#'));
}

std::vector<std::string> SplitString(const std::string& text, const std::string& delimiters) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = delimiters.empty() ? std::string::npos
                                         : text.find_first_of(delimiters, start);
    if (end == std::string::npos) {
      end = text.size();
    }
    const std::string trimmed = TrimText(text.substr(start, end - start));
    if (!trimmed.empty()) {
      std::string field = StripComment(trimmed);
      if (!field.empty()) {
        fields.push_back(std::move(field));
      }
    }
    start = end + 1;
  }
  return fields;
}

bool ContainsText(const std::string& text, const std::string& part) {
  if (text.empty() || part.empty() || part.size() > text.size()) {
    return false;
  }
  return text.find(part) != std::string::npos;
}

void EraseText(std::string& text, const std::string& part) {
  if (text.empty() || part.empty()) {
    return;
  }
  const std::size_t at = text.find(part);
  if (at != std::string::npos) {
    text.erase(at, part.size());
  }
}

std::string ReplaceAll(const std::string& text, const std::string& pattern,
                       const std::string& replacement) {
  std::string result = text;
  if (pattern.empty()) {
    return result;
  }
  // A replacement holding the pattern would be found again for ever: one pass
  // over the original occurrences is all that can be meant.
  const bool onePass = replacement.find(pattern) != std::string::npos;
  std::size_t at = result.find(pattern);
  while (at != std::string::npos) {
    result.replace(at, pattern.size(), replacement);
    std::size_t resume = at + replacement.size();
    if (!onePass) {
      // A new occurrence can only overlap the replaced part; nothing earlier changed.
      resume = at >= pattern.size() - 1 ? at - (pattern.size() - 1) : 0;
    }
    at = result.find(pattern, resume);
  }
  return result;
}

void UpperCase(std::string& characters) {
  for (char& c : characters) {
    if (c >= 'a' && c <= 'z') {
      c = static_cast<char>(c - 'a' + 'A');
    }
  }
}

std::string LowerCase(const std::string& text) {
  std::string result = text;
  for (char& c : result) {
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  return result;
}

float NarrowToFloat(double value) {
  if (value > FLT_MAX) {
    return std::numeric_limits<float>::infinity();
  }
  if (value < -FLT_MAX) {
    return -std::numeric_limits<float>::infinity();
  }
  return static_cast<float>(value);
}

int32_t StringToInt(const std::string& text) {
  // Like atoi on every in-range text, but out-of-range numbers saturate
  // instead of being undefined.
  const long long number = std::strtoll(text.c_str(), nullptr, 10);
  if (number > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  if (number < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(number);
}

double StringToFloat(const std::string& text) {
  if (text.empty()) {
    return 0.0;
  }
  return std::strtod(text.c_str(), nullptr);
}

bool StringToBool(const std::string& text) {
  std::string upper = text;
  UpperCase(upper);
  return upper == "TRUE" || upper == "T" || upper == "YES" || upper == "Y" || upper == "1";
}

std::string IntToString(int64_t value) {
  return std::to_string(value);
}

std::string IntToStringPadded(int64_t value, int width) {
  std::string digits = std::to_string(value);
  if (width > 0 && digits.size() < static_cast<std::size_t>(width)) {
    // Zeros go after a minus sign, never before it.
    const std::size_t at = value < 0 ? 1 : 0;
    digits.insert(at, static_cast<std::size_t>(width) - digits.size(), '0');
  }
  return digits;
}

std::string FloatToString(double value, int decimals) {
  if (std::isnan(value)) {
    return "nan";
  }
  std::string text;
  if (value < 0.0) {
    text = "-";
    value = -value;
  }
  if (std::isinf(value)) {
    return text + "inf";
  }
  // A double holds no more digits than these.
  decimals = std::clamp(decimals, 0, 30);

  double whole = std::trunc(value);
  const double scale = std::pow(10.0, decimals);
  double fraction = std::trunc((value - whole) * scale + 0.5);
  const double limit = std::trunc(scale + 0.5);
  while (fraction >= limit) {
    // Rounding carried into the whole part.
    fraction -= limit;
    whole += 1.0;
  }
  text += WholeNumberText(whole);
  if (decimals > 0) {
    const std::string digits = WholeNumberText(fraction);
    text += '.';
    if (digits.size() < static_cast<std::size_t>(decimals)) {
      text.append(static_cast<std::size_t>(decimals) - digits.size(), '0');
    }
    text += digits;
  }
  return text;
}

std::string BoolToString(bool value) {
  return value ? "true" : "false";
}

TVector3 ParseVector3(const std::string& text) {
  const std::vector<std::string> fields = SplitString(text, ",");
  // Two fields are a point on the ground; missing fields read as 0.
  return TVector3(FieldAsFloat(fields, 0), FieldAsFloat(fields, 1),
                  fields.size() == 2 ? 0.0f : FieldAsFloat(fields, 2));
}

TColour* ParseColour(const std::string& text) {
  const std::vector<std::string> fields = SplitString(text, ",");
  return new TColour(FieldAsFloat(fields, 0), FieldAsFloat(fields, 1), FieldAsFloat(fields, 2),
                     FieldAsFloat(fields, 3));
}

TScreenPosition ParseScreenPosition(const std::string& text) {
  const std::vector<std::string> fields = SplitString(text, ",");
  const TScreenPosition defaults;
  float x = defaults.GetX();
  float y = defaults.GetY();
  std::string xMode = TScreenPosition::kXModeNames[defaults.GetModeX()];
  std::string yMode = TScreenPosition::kYModeNames[defaults.GetModeY()];

  TConfigParser line;
  if (!fields.empty()) {
    line.SetText(fields[0]);
    ReadAxis(line, TScreenPosition::kXModeNames, x, xMode);
  }
  if (fields.size() > 1) {
    line.SetText(fields[1]);
    ReadAxis(line, TScreenPosition::kYModeNames, y, yMode);
  }
  return TScreenPosition(x, y, xMode, yMode);
}

void TLineStepper::Init(int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
  // Extents beyond any map are clamped so that the error term cannot overflow.
  constexpr int64_t kMaxExtent = 0x1FFFFFFF;
  const int32_t sx = x0 > x1 ? -1 : 1;
  const int32_t sy = y0 <= y1 ? 1 : -1;
  const int64_t extentX = std::min<int64_t>(std::llabs(int64_t{x1} - x0), kMaxExtent);
  const int64_t extentY = std::min<int64_t>(std::llabs(int64_t{y1} - y0), kMaxExtent);

  diagonalX_ = sx;
  diagonalY_ = sy;
  int64_t longExtent = 0;
  int64_t shortExtent = 0;
  if (extentX < extentY) {
    longExtent = extentY;
    shortExtent = extentX;
    straightX_ = 0;
    straightY_ = sy;
  } else {
    longExtent = extentX;
    shortExtent = extentY;
    straightX_ = sx;
    straightY_ = 0;
  }
  error_ = static_cast<int32_t>(longExtent);
  twiceLong_ = static_cast<int32_t>(2 * longExtent);
  twiceShort_ = static_cast<int32_t>(2 * shortExtent);
}

void TLineStepper::Step(int32_t& x, int32_t& y) {
  error_ -= twiceShort_;
  if (error_ < 1) {
    error_ += twiceLong_;
    x += diagonalX_;
    y += diagonalY_;
  } else {
    x += straightX_;
    y += straightY_;
  }
}
