#include "platform/text_encoding.h"

#include <array>

namespace platform {

namespace {

// Code points of the bytes 0x80-0x9F; the undefined ones keep their C1 value.
constexpr std::array<char32_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
};

// Decodes one UTF-8 sequence at text[pos]; advances pos past what was consumed.
// Returns false (having consumed one byte) for a malformed sequence.
bool DecodeUtf8(std::string_view text, std::size_t& pos, char32_t& codePoint) {
  const auto lead = static_cast<uint8_t>(text[pos]);
  std::size_t length = 0;
  char32_t value = 0;
  char32_t minimum = 0;
  if (lead < 0x80) {
    codePoint = lead;
    ++pos;
    return true;
  } else if ((lead & 0xE0) == 0xC0) {
    length = 2;
    value = lead & 0x1F;
    minimum = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3;
    value = lead & 0x0F;
    minimum = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4;
    value = lead & 0x07;
    minimum = 0x10000;
  } else {
    ++pos;
    return false;
  }
  if (pos + length > text.size()) {
    ++pos;
    return false;
  }
  for (std::size_t i = 1; i < length; ++i) {
    const auto next = static_cast<uint8_t>(text[pos + i]);
    if ((next & 0xC0) != 0x80) {
      ++pos;
      return false;
    }
    value = (value << 6) | (next & 0x3F);
  }
  if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
    ++pos;
    return false;
  }
  pos += length;
  codePoint = value;
  return true;
}

}  // namespace

char32_t Windows1252ToCodePoint(uint8_t byte) {
  if (byte >= 0x80 && byte <= 0x9F) {
    return kHighControls[byte - 0x80];
  }
  return byte;
}

bool CodePointToWindows1252(char32_t codePoint, uint8_t& byte) {
  if (codePoint < 0x80 || (codePoint >= 0xA0 && codePoint <= 0xFF)) {
    byte = static_cast<uint8_t>(codePoint);
    return true;
  }
  for (std::size_t i = 0; i < kHighControls.size(); ++i) {
    if (kHighControls[i] == codePoint) {
      byte = static_cast<uint8_t>(0x80 + i);
      return true;
    }
  }
  return false;
}

void AppendUtf8(char32_t codePoint, std::string& out) {
  if (codePoint < 0x80) {
    out.push_back(static_cast<char>(codePoint));
  } else if (codePoint < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (codePoint >> 6)));
    out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
  } else if (codePoint < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (codePoint >> 12)));
    out.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (codePoint >> 18)));
    out.push_back(static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
  }
}

std::string Windows1252ToUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    AppendUtf8(Windows1252ToCodePoint(static_cast<uint8_t>(c)), out);
  }
  return out;
}

std::string Utf8ToWindows1252(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t pos = 0;
  while (pos < text.size()) {
    char32_t codePoint = 0;
    uint8_t byte = 0;
    if (DecodeUtf8(text, pos, codePoint) && CodePointToWindows1252(codePoint, byte)) {
      out.push_back(static_cast<char>(byte));
    }
  }
  return out;
}

}  // namespace platform
