// The mail library's codecs: base64 (RFC 2045/4648), quoted-printable,
// MD5 (RFC 1321) and HMAC-MD5 (RFC 2104).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace maillib {

// Base64 in lines of 57 input bytes (76 characters), each line followed by
// CR LF.
std::string MailEncodeBase64Lines(std::string_view input);

// Decodes groups of four characters; characters outside the alphabet count
// as zero bits, each "=" of the last group drops one byte, CR and LF are
// skipped. Fewer than 3 characters give nothing.
std::vector<uint8_t> MailDecodeBase64(std::string_view input);

// "=XY" (hex digits, either case) gives the byte; "=" before a line end is
// a soft break; an "=" before anything else is kept.
std::string MailDecodeQuotedPrintable(std::string_view input);

using Md5Digest = std::array<uint8_t, 16>;

class TMd5 {
 public:
  TMd5();
  void Update(const void* data, std::size_t size);
  Md5Digest Final();

 private:
  void Transform(const uint8_t block[64]);

  std::array<uint32_t, 4> state_;
  uint64_t length_ = 0;
  std::array<uint8_t, 64> buffer_{};
};

Md5Digest MailMd5(std::string_view data);
Md5Digest MailHmacMd5(std::string_view text, std::string_view key);
std::string MailHexDigest(const Md5Digest& digest);

}  // namespace maillib
