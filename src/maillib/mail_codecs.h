// The mail library's codecs: base64 (RFC 2045/4648), quoted-printable,
// MD5 (RFC 1321) and HMAC-MD5 (RFC 2104).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <ctime>
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

// One base64 group: three bytes (fewer at the end) to four characters.
std::string MailEncodeBase64(std::string_view input);

// Decodes base64 that arrives in pieces of any length: groups of four
// alphabet characters become bytes as soon as they are complete, "=" ends
// the data, anything else is skipped.
class TBase64Stream {
 public:
  void Feed(std::string_view text, std::string& out);

 private:
  uint32_t value_ = 0;
  int count_ = 0;
  bool ended_ = false;
};

// Encoded header words "=?charset?Q?...?=" and "=?charset?B?...?=" of the
// single-byte character sets (ISO-8859-1, Windows-1252, US-ASCII) decoded in
// place; blanks between two encoded words go, as the words are one text.
// Words of other character sets are left as they are.
std::string MailDecodeEncodedWords(std::string_view line);

// The "Date:" header line (without CR LF) of a local time whose offset from
// UTC is `offsetSeconds` (east positive), and of the present time.
std::string MailDateHeaderAt(const std::tm& local, long offsetSeconds);
std::string MailDateHeader();

// Copies up to and including the first LF (at most size - 1 bytes) and ends
// the copy with a zero; the count copied. MailCopyNthLine copies line n
// (from 1); 0 and an empty text when there is no such line.
int MailCopyLine(std::string_view source, char* destination, int size);
int MailCopyNthLine(std::string_view source, int n, char* destination, int size);

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
