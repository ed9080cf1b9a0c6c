#include "maillib/mail_codecs.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace maillib {

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr std::size_t kLineInputBytes = 57;

int Base64Value(char c) {
  const char* found = c == '\0' ? nullptr : std::strchr(kAlphabet, c);
  return found == nullptr ? 0 : static_cast<int>(found - kAlphabet);
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

uint32_t Rotate(uint32_t value, int bits) { return (value << bits) | (value >> (32 - bits)); }

}  // namespace

std::string MailEncodeBase64(std::string_view input) {
  std::string out;
  out.reserve((input.size() + 2) / 3 * 4);
  for (std::size_t i = 0; i < input.size(); i += 3) {
    const std::size_t n = std::min<std::size_t>(3, input.size() - i);
    uint32_t value = static_cast<uint32_t>(static_cast<uint8_t>(input[i])) << 16;
    if (n > 1) value |= static_cast<uint32_t>(static_cast<uint8_t>(input[i + 1])) << 8;
    if (n > 2) value |= static_cast<uint8_t>(input[i + 2]);
    out += kAlphabet[(value >> 18) & 63];
    out += kAlphabet[(value >> 12) & 63];
    out += n > 1 ? kAlphabet[(value >> 6) & 63] : '=';
    out += n > 2 ? kAlphabet[value & 63] : '=';
  }
  return out;
}

std::string MailEncodeBase64Lines(std::string_view input) {
  std::string out;
  for (std::size_t line = 0; line < input.size(); line += kLineInputBytes) {
    out += MailEncodeBase64(input.substr(line, kLineInputBytes));
    out += "\r\n";
  }
  return out;
}

void TBase64Stream::Feed(std::string_view text, std::string& out) {
  for (const char c : text) {
    if (ended_) return;
    if (c == '=') {
      // What the padding leaves of the group: two characters give one
      // byte, three give two.
      if (count_ == 2) out += static_cast<char>(value_ >> 4);
      if (count_ == 3) {
        out += static_cast<char>(value_ >> 10);
        out += static_cast<char>(value_ >> 2);
      }
      ended_ = count_ >= 2;
      value_ = 0;
      count_ = 0;
      continue;
    }
    const char* found = c == '\0' ? nullptr : std::strchr(kAlphabet, c);
    if (found == nullptr) continue;
    value_ = (value_ << 6) | static_cast<uint32_t>(found - kAlphabet);
    if (++count_ == 4) {
      out += static_cast<char>(value_ >> 16);
      out += static_cast<char>(value_ >> 8);
      out += static_cast<char>(value_);
      value_ = 0;
      count_ = 0;
    }
  }
}

std::vector<uint8_t> MailDecodeBase64(std::string_view input) {
  std::string text;
  for (const char c : input) {
    if (c != '\r' && c != '\n') text += c;
  }
  std::vector<uint8_t> out;
  if (text.size() < 3) return out;
  for (std::size_t i = 0; i + 1 < text.size(); i += 4) {
    const std::size_t n = std::min<std::size_t>(4, text.size() - i);
    uint32_t value = 0;
    int padding = 0;
    for (std::size_t k = 0; k < 4; ++k) {
      const char c = k < n ? text[i + k] : '=';
      if (c == '=') ++padding;
      value = (value << 6) | static_cast<uint32_t>(Base64Value(c));
    }
    const int bytes = 3 - std::min(padding, 2);
    for (int b = 0; b < bytes; ++b) out.push_back(static_cast<uint8_t>(value >> (16 - 8 * b)));
  }
  return out;
}

std::string MailDecodeQuotedPrintable(std::string_view input) {
  std::string out;
  for (std::size_t i = 0; i < input.size(); ++i) {
    const char c = input[i];
    if (c != '=') {
      out += c;
      continue;
    }
    if (i + 1 < input.size() && (input[i + 1] == '\r' || input[i + 1] == '\n')) {
      i += (input[i + 1] == '\r' && i + 2 < input.size() && input[i + 2] == '\n') ? 2 : 1;
      continue;
    }
    if (i + 2 < input.size() && HexValue(input[i + 1]) >= 0 && HexValue(input[i + 2]) >= 0) {
      out += static_cast<char>(HexValue(input[i + 1]) * 16 + HexValue(input[i + 2]));
      i += 2;
      continue;
    }
    out += '=';
  }
  return out;
}

// ---------------------------------------------------------------- header words

namespace {

bool SameLetters(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

bool SingleByteCharset(std::string_view charset) {
  charset = charset.substr(0, charset.find('*'));  // a language tag may follow
  return SameLetters(charset, "iso-8859-1") || SameLetters(charset, "windows-1252") ||
         SameLetters(charset, "us-ascii") || SameLetters(charset, "latin1");
}

std::string DecodeQWord(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '_') {
      out += ' ';
    } else if (text[i] == '=' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 && HexValue(text[i + 2]) >= 0) {
      out += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

// One encoded word at the start of `text`: its decoded bytes and length, or
// false when the text is no encoded word of a known single-byte charset.
bool DecodeWordAt(std::string_view text, std::string& decoded, std::size_t& length) {
  if (text.substr(0, 2) != "=?") return false;
  const std::size_t charsetEnd = text.find('?', 2);
  if (charsetEnd == std::string_view::npos || charsetEnd + 2 >= text.size() || text[charsetEnd + 2] != '?') {
    return false;
  }
  const std::size_t end = text.find("?=", charsetEnd + 3);
  if (end == std::string_view::npos) return false;
  const std::string_view charset = text.substr(2, charsetEnd - 2);
  const char encoding = text[charsetEnd + 1];
  const std::string_view body = text.substr(charsetEnd + 3, end - charsetEnd - 3);
  if (!SingleByteCharset(charset)) return false;
  if (encoding == 'q' || encoding == 'Q') {
    decoded = DecodeQWord(body);
  } else if (encoding == 'b' || encoding == 'B') {
    decoded.clear();
    TBase64Stream stream;
    stream.Feed(body, decoded);
  } else {
    return false;
  }
  // A header stays one line whatever the word holds.
  for (char& c : decoded) {
    if (c == '\r' || c == '\n' || c == '\0') c = ' ';
  }
  length = end + 2;
  return true;
}

}  // namespace

std::string MailDecodeEncodedWords(std::string_view line) {
  std::string out;
  std::size_t afterWord = std::string::npos;  // output length after the last word
  std::size_t i = 0;
  while (i < line.size()) {
    std::string decoded;
    std::size_t length = 0;
    if (DecodeWordAt(line.substr(i), decoded, length)) {
      if (afterWord != std::string::npos) out.resize(afterWord);
      out += decoded;
      afterWord = out.size();
      i += length;
      continue;
    }
    if (line[i] != ' ' && line[i] != '\t') afterWord = std::string::npos;
    out += line[i++];
  }
  return out;
}

// ---------------------------------------------------------------- date

std::string MailDateHeaderAt(const std::tm& local, long offsetSeconds) {
  static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  const long minutes = std::min(std::labs(offsetSeconds) / 60, 99L * 60 + 59);
  char line[96];
  std::snprintf(line, sizeof(line), "Date: %s, %d %s %d %d:%02d:%02d %c%02ld%02ld",
                kDays[((local.tm_wday % 7) + 7) % 7], local.tm_mday, kMonths[((local.tm_mon % 12) + 12) % 12],
                local.tm_year + 1900, local.tm_hour, local.tm_min, local.tm_sec, offsetSeconds < 0 ? '-' : '+',
                minutes / 60, minutes % 60);
  return line;
}

std::string MailDateHeader() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return MailDateHeaderAt(local, local.tm_gmtoff);
}

// ---------------------------------------------------------------- lines

int MailCopyLine(std::string_view source, char* destination, int size) {
  if (destination == nullptr || size <= 0) return 0;
  const std::size_t lineFeed = source.find('\n');
  const std::size_t line = lineFeed == std::string_view::npos ? source.size() : lineFeed + 1;
  const std::size_t copied = std::min(line, static_cast<std::size_t>(size) - 1);
  std::memcpy(destination, source.data(), copied);
  destination[copied] = '\0';
  return static_cast<int>(copied);
}

int MailCopyNthLine(std::string_view source, int n, char* destination, int size) {
  if (destination != nullptr && size > 0) destination[0] = '\0';
  if (n < 1) return 0;
  for (int line = 1; line < n; ++line) {
    const std::size_t lineFeed = source.find('\n');
    if (lineFeed == std::string_view::npos) return 0;
    source.remove_prefix(lineFeed + 1);
  }
  if (source.empty()) return 0;
  return MailCopyLine(source, destination, size);
}

// ---------------------------------------------------------------- MD5

TMd5::TMd5() : state_{0x67452301u, 0xefcdab89u, 0x98badcfeu, 0x10325476u} {}

void TMd5::Transform(const uint8_t block[64]) {
  static const uint32_t kSine[64] = {
      0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
      0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
      0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
      0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
      0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
      0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
      0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
      0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391};
  static const int kShift[64] = {7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22,
                                 5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20,
                                 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23,
                                 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21};
  uint32_t words[16];
  for (int i = 0; i < 16; ++i) {
    words[i] = static_cast<uint32_t>(block[i * 4]) | (static_cast<uint32_t>(block[i * 4 + 1]) << 8) |
               (static_cast<uint32_t>(block[i * 4 + 2]) << 16) | (static_cast<uint32_t>(block[i * 4 + 3]) << 24);
  }
  uint32_t a = state_[0], b = state_[1], c = state_[2], d = state_[3];
  for (int i = 0; i < 64; ++i) {
    uint32_t f = 0;
    int g = 0;
    if (i < 16) {
      f = (b & c) | (~b & d);
      g = i;
    } else if (i < 32) {
      f = (d & b) | (~d & c);
      g = (5 * i + 1) % 16;
    } else if (i < 48) {
      f = b ^ c ^ d;
      g = (3 * i + 5) % 16;
    } else {
      f = c ^ (b | ~d);
      g = (7 * i) % 16;
    }
    const uint32_t next = d;
    d = c;
    c = b;
    b = b + Rotate(a + f + kSine[i] + words[g], kShift[i]);
    a = next;
  }
  state_[0] += a;
  state_[1] += b;
  state_[2] += c;
  state_[3] += d;
}

void TMd5::Update(const void* data, std::size_t size) {
  const auto* bytes = static_cast<const uint8_t*>(data);
  std::size_t used = static_cast<std::size_t>(length_ % 64);
  length_ += size;
  for (std::size_t i = 0; i < size; ++i) {
    buffer_[used++] = bytes[i];
    if (used == 64) {
      Transform(buffer_.data());
      used = 0;
    }
  }
}

Md5Digest TMd5::Final() {
  const uint64_t bits = length_ * 8;
  const uint8_t pad = 0x80;
  Update(&pad, 1);
  const uint8_t zero = 0;
  while (length_ % 64 != 56) Update(&zero, 1);
  uint8_t lengthBytes[8];
  for (int i = 0; i < 8; ++i) lengthBytes[i] = static_cast<uint8_t>(bits >> (8 * i));
  Update(lengthBytes, 8);
  Md5Digest digest{};
  for (int i = 0; i < 16; ++i) digest[static_cast<std::size_t>(i)] = static_cast<uint8_t>(state_[i / 4] >> (8 * (i % 4)));
  return digest;
}

Md5Digest MailMd5(std::string_view data) {
  TMd5 md5;
  md5.Update(data.data(), data.size());
  return md5.Final();
}

Md5Digest MailHmacMd5(std::string_view text, std::string_view key) {
  std::array<uint8_t, 64> block{};
  if (key.size() > 64) {
    const Md5Digest hashed = MailMd5(key);
    std::memcpy(block.data(), hashed.data(), hashed.size());
  } else {
    std::memcpy(block.data(), key.data(), key.size());
  }
  std::array<uint8_t, 64> inner{};
  std::array<uint8_t, 64> outer{};
  for (std::size_t i = 0; i < 64; ++i) {
    inner[i] = block[i] ^ 0x36;
    outer[i] = block[i] ^ 0x5c;
  }
  TMd5 first;
  first.Update(inner.data(), inner.size());
  first.Update(text.data(), text.size());
  const Md5Digest innerDigest = first.Final();
  TMd5 second;
  second.Update(outer.data(), outer.size());
  second.Update(innerDigest.data(), innerDigest.size());
  return second.Final();
}

std::string MailHexDigest(const Md5Digest& digest) {
  static const char kHex[] = "0123456789abcdef";
  std::string text;
  for (const uint8_t byte : digest) {
    text += kHex[byte >> 4];
    text += kHex[byte & 15];
  }
  return text;
}

}  // namespace maillib
