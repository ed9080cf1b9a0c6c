#include "session/mail_message.h"

#include <cstdio>

namespace mail {

namespace {

constexpr char kBase64Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr int kRandomCharCount = 40;
constexpr int kGroupsPerLine = 19;

bool IsForbiddenAddressChar(unsigned char c) {
  return c <= ' ' || c == 0x7F || c == '<' || c == '>';
}

}  // namespace

bool IsPlainAddress(const std::string& address) {
  const std::size_t at = address.find('@');
  if (at == std::string::npos || at == 0 || at + 1 >= address.size()) return false;
  if (address.find('@', at + 1) != std::string::npos) return false;
  for (const char c : address) {
    if (IsForbiddenAddressChar(static_cast<unsigned char>(c))) return false;
  }
  return true;
}

std::string WithoutAngleBrackets(const std::string& address) {
  if (address.size() >= 2 && address.front() == '<' && address.back() == '>') {
    return address.substr(1, address.size() - 2);
  }
  return address;
}

std::string RandomMailChars(std::mt19937& generator) {
  // Letters and digits only: the first 62 characters of the alphabet.
  std::uniform_int_distribution<int> pick(0, 61);
  std::string text;
  for (int i = 0; i < kRandomCharCount; ++i) text += kBase64Alphabet[pick(generator)];
  return text;
}

std::string FormatMailDate(std::time_t when) {
  static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  std::tm local{};
  if (localtime_r(&when, &local) == nullptr) return "";
  const long offsetMinutes = local.tm_gmtoff / 60;
  const long absolute = offsetMinutes < 0 ? -offsetMinutes : offsetMinutes;
  char text[64];
  std::snprintf(text, sizeof(text), "%s, %02d %s %04d %02d:%02d:%02d %c%02ld%02ld", kDays[local.tm_wday % 7],
                local.tm_mday, kMonths[local.tm_mon % 12], local.tm_year + 1900, local.tm_hour, local.tm_min,
                local.tm_sec, offsetMinutes < 0 ? '-' : '+', absolute / 60, absolute % 60);
  return text;
}

std::string EncodeBase64Lines(const std::vector<uint8_t>& bytes) {
  std::string text;
  text.reserve(bytes.size() / 3 * 4 + bytes.size() / 57 * 2 + 8);
  std::size_t i = 0;
  int groups = 0;
  for (; i + 3 <= bytes.size(); i += 3) {
    const uint32_t value = (uint32_t{bytes[i]} << 16) | (uint32_t{bytes[i + 1]} << 8) | bytes[i + 2];
    text += kBase64Alphabet[(value >> 18) & 63];
    text += kBase64Alphabet[(value >> 12) & 63];
    text += kBase64Alphabet[(value >> 6) & 63];
    text += kBase64Alphabet[value & 63];
    if (++groups == kGroupsPerLine) {
      text += "\r\n";
      groups = 0;
    }
  }
  const std::size_t rest = bytes.size() - i;
  if (rest > 0) {
    const uint32_t value = (uint32_t{bytes[i]} << 16) | (rest == 2 ? uint32_t{bytes[i + 1]} << 8 : 0);
    text += kBase64Alphabet[(value >> 18) & 63];
    text += kBase64Alphabet[(value >> 12) & 63];
    text += rest == 2 ? kBase64Alphabet[(value >> 6) & 63] : '=';
    text += '=';
  }
  return text;
}

std::string ToCrLfLines(const std::string& text) {
  std::string out;
  out.reserve(text.size() + text.size() / 16);
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r') {
      out += "\r\n";
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else if (c == '\n') {
      out += "\r\n";
    } else {
      out += c;
    }
  }
  return out;
}

std::string DotStuff(const std::string& text) {
  std::string out;
  out.reserve(text.size() + 16);
  bool lineStart = true;
  for (const char c : text) {
    if (lineStart && c == '.') out += '.';
    out += c;
    lineStart = c == '\n';
  }
  return out;
}

}  // namespace mail
