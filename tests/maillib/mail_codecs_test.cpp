#include "maillib/mail_codecs.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace maillib;

std::string Text(const std::vector<uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }

TEST(MailCodecs, Md5PublishedVectors) {
  // RFC 1321, appendix A.5.
  const std::pair<std::string, const char*> cases[] = {
      {"", "d41d8cd98f00b204e9800998ecf8427e"},
      {"a", "0cc175b9c0f1b6a831c399e269772661"},
      {"abc", "900150983cd24fb0d6963f7d28e17f72"},
      {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
      {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "d174ab98d277d9f5a5611c2c9f419d9f"},
      {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
       "57edf4a22be3c955ac49da2e2107b67a"},
  };
  for (const auto& [text, digest] : cases) EXPECT_EQ(MailHexDigest(MailMd5(text)), digest) << text;
}

TEST(MailCodecs, HmacMd5PublishedVectors) {
  // RFC 2104 and RFC 2202.
  EXPECT_EQ(MailHexDigest(MailHmacMd5("Hi There", std::string(16, '\x0b'))), "9294727a3638bb1c13f48ef8158bfc9d");
  EXPECT_EQ(MailHexDigest(MailHmacMd5("what do ya want for nothing?", "Jefe")), "750c783e6ab0b503eaa86e310a5db738");
  EXPECT_EQ(MailHexDigest(MailHmacMd5(std::string(50, '\xdd'), std::string(16, '\xaa'))),
            "56be34521d144c88dbb8c733f0e8b3f6");
  EXPECT_EQ(MailHexDigest(MailHmacMd5("Test Using Larger Than Block-Size Key - Hash Key First", std::string(80, '\xaa'))),
            "6b1ab7fe4bd7bf8f0b62e6ce61b9d0cd");
  // The CRAM-MD5 example of RFC 2195.
  EXPECT_EQ(MailHexDigest(MailHmacMd5("<1896.697170952@postoffice.reston.mci.net>", "tanstaaftanstaaf")),
            "b913a602c7eda7a495b4e6e7334d3890");
}

TEST(MailCodecs, Base64BothWays) {
  const std::pair<const char*, const char*> cases[] = {
      {"", ""},         {"f", "Zg==\r\n"},         {"fo", "Zm8=\r\n"},         {"foo", "Zm9v\r\n"},
      {"foob", "Zm9vYg==\r\n"}, {"fooba", "Zm9vYmE=\r\n"}, {"foobar", "Zm9vYmFy\r\n"},
  };
  for (const auto& [plain, encoded] : cases) {
    EXPECT_EQ(MailEncodeBase64Lines(plain), encoded) << plain;
    if (std::string(plain).size() >= 1) {
      EXPECT_EQ(Text(MailDecodeBase64(encoded)), plain) << encoded;
    }
  }
  const std::string block(57 * 2 + 5, 'q');
  const std::string encoded = MailEncodeBase64Lines(block);
  EXPECT_EQ(encoded.find("\r\n"), 76u);
  EXPECT_EQ(encoded.size(), 78u * 2 + 8 + 2);
  EXPECT_EQ(Text(MailDecodeBase64(encoded)), block);
  EXPECT_TRUE(MailDecodeBase64("Zg").empty());
  EXPECT_EQ(Text(MailDecodeBase64("Z!==")), std::string(1, '\x64'));
}

TEST(MailCodecs, QuotedPrintable) {
  const std::pair<const char*, const char*> cases[] = {
      {"=41", "A"},
      {"caf=E9", "caf\xE9"},
      {"soft =\r\nbreak", "soft break"},
      {"a=3db", "a=b"},
      {"=\"x\"", "=\"x\""},
      {"=?", "=?"},
      {"end=", "end="},
      {"=4", "=4"},
      {"=G1", "=G1"},
  };
  for (const auto& [encoded, plain] : cases) EXPECT_EQ(MailDecodeQuotedPrintable(encoded), plain) << encoded;
}

TEST(MailCodecs, EncodedHeaderWords) {
  const std::pair<const char*, const char*> cases[] = {
      {"Subject: =?iso-8859-1?q?caf=E9?=", "Subject: caf\xE9"},
      {"Subject: =?ISO-8859-1?Q?two_words?=", "Subject: two words"},
      {"Subject: =?iso-8859-1?b?Q2Fm6Q==?= ok", "Subject: Caf\xE9 ok"},
      {"Subject: =?iso-8859-1?q?a?= \t =?iso-8859-1?q?b?=", "Subject: ab"},
      {"Subject: =?iso-8859-1?q?a?= x =?iso-8859-1?q?b?=", "Subject: a x b"},
      {"Subject: =?utf-8?q?caf=C3=A9?=", "Subject: =?utf-8?q?caf=C3=A9?="},
      {"Subject: =?iso-8859-1?x?abc?=", "Subject: =?iso-8859-1?x?abc?="},
      {"Subject: =?iso-8859-1?q?unended", "Subject: =?iso-8859-1?q?unended"},
      {"Subject: =?iso-8859-1?q?line=0D=0Abreak?=", "Subject: line  break"},
      {"=?", "=?"},
  };
  for (const auto& [encoded, plain] : cases) EXPECT_EQ(MailDecodeEncodedWords(encoded), plain) << encoded;
}

TEST(MailCodecs, DateHeaderCarriesTheWholeZoneOffset) {
  std::tm local{};
  local.tm_year = 2024 - 1900;
  local.tm_mon = 2;
  local.tm_mday = 5;
  local.tm_wday = 2;
  local.tm_hour = 9;
  local.tm_min = 4;
  local.tm_sec = 7;
  const std::pair<long, const char*> cases[] = {
      {0, "Date: Tue, 5 Mar 2024 9:04:07 +0000"},
      {5 * 3600 + 1800, "Date: Tue, 5 Mar 2024 9:04:07 +0530"},
      {-8 * 3600, "Date: Tue, 5 Mar 2024 9:04:07 -0800"},
      {-(3 * 3600 + 1800), "Date: Tue, 5 Mar 2024 9:04:07 -0330"},
  };
  for (const auto& [offset, line] : cases) EXPECT_EQ(MailDateHeaderAt(local, offset), line) << offset;
  EXPECT_EQ(MailDateHeader().rfind("Date: ", 0), 0u);
}

TEST(MailCodecs, BoundedLineCopies) {
  const std::string text = "first\r\nsecond line\r\nlast";
  char buffer[8];
  buffer[7] = '#';
  EXPECT_EQ(MailCopyLine(text, buffer, 8), 7);
  EXPECT_EQ(std::string(buffer), "first\r\n");
  EXPECT_EQ(MailCopyNthLine(text, 2, buffer, 8), 7);
  EXPECT_EQ(std::string(buffer), "second ");
  EXPECT_EQ(buffer[7], '\0');
  char wide[32];
  EXPECT_EQ(MailCopyNthLine(text, 3, wide, sizeof(wide)), 4);
  EXPECT_EQ(std::string(wide), "last");
  EXPECT_EQ(MailCopyNthLine(text, 4, wide, sizeof(wide)), 0);
  EXPECT_EQ(std::string(wide), "");
  EXPECT_EQ(MailCopyNthLine(text, 0, wide, sizeof(wide)), 0);
}

TEST(MailCodecs, Base64StreamAcrossPieces) {
  const std::string bytes = "any carnal pleas";
  const std::string encoded = MailEncodeBase64(bytes) + "\r\n";
  for (std::size_t piece = 1; piece <= 7; ++piece) {
    TBase64Stream stream;
    std::string out;
    for (std::size_t i = 0; i < encoded.size(); i += piece) stream.Feed(encoded.substr(i, piece), out);
    EXPECT_EQ(out, bytes) << piece;
  }
  TBase64Stream stream;
  std::string out;
  stream.Feed("Zm9v!Ym==Zm9v", out);
  EXPECT_EQ(out, "foob");
}

}  // namespace
