#include "session/mail_message.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <random>
#include <string>
#include <vector>

#include "session/web_interface.h"

namespace {

std::vector<uint8_t> Bytes(const std::string& text) { return std::vector<uint8_t>(text.begin(), text.end()); }

TEST(MailBase64, PublishedVectors) {
  // RFC 4648, section 10.
  const std::pair<const char*, const char*> cases[] = {
      {"", ""},         {"f", "Zg=="},         {"fo", "Zm8="},         {"foo", "Zm9v"},
      {"foob", "Zm9vYg=="}, {"fooba", "Zm9vYmE="}, {"foobar", "Zm9vYmFy"},
  };
  for (const auto& [plain, encoded] : cases) {
    EXPECT_EQ(mail::EncodeBase64Lines(Bytes(plain)), encoded) << plain;
  }
}

TEST(MailBase64, LinesOf76CharactersEndInCrLf) {
  const std::vector<uint8_t> fiftySeven(57, 0xFF);
  const std::string one = mail::EncodeBase64Lines(fiftySeven);
  EXPECT_EQ(one, std::string(76, '/') + "\r\n");

  std::vector<uint8_t> fiftyEight(58, 0xFF);
  const std::string two = mail::EncodeBase64Lines(fiftyEight);
  EXPECT_EQ(two, std::string(76, '/') + "\r\n" + "/w==");

  const std::string three = mail::EncodeBase64Lines(std::vector<uint8_t>(114, 0));
  EXPECT_EQ(three, std::string(76, 'A') + "\r\n" + std::string(76, 'A') + "\r\n");
}

TEST(MailText, DotStuffingAndLineEnds) {
  const std::pair<const char*, const char*> stuffing[] = {
      {".", ".."},
      {"a\r\n.b\r\n", "a\r\n..b\r\n"},
      {".a\r\n..\r\nx.y\r\n", "..a\r\n...\r\nx.y\r\n"},
      {"no dots", "no dots"},
  };
  for (const auto& [text, stuffed] : stuffing) EXPECT_EQ(mail::DotStuff(text), stuffed) << text;

  EXPECT_EQ(mail::ToCrLfLines("a\nb\rc\r\nd"), "a\r\nb\r\nc\r\nd");
  EXPECT_EQ(mail::ToCrLfLines("\n\n"), "\r\n\r\n");
}

TEST(MailAddress, OnlyPlainAddressesPass) {
  const std::pair<const char*, bool> cases[] = {
      {"player@example.org", true},
      {"a.b-c+d@sub.example.org", true},
      {"", false},
      {"noatsign", false},
      {"@example.org", false},
      {"player@", false},
      {"two@at@signs", false},
      {"with blank@example.org", false},
      {"tab\t@example.org", false},
      {"a@b\r\nRCPT TO:<x@y>", false},
      {"a@b\n", false},
      {"<a@b>", false},
      {"a>@b", false},
  };
  for (const auto& [address, plain] : cases) EXPECT_EQ(mail::IsPlainAddress(address), plain) << address;
  EXPECT_EQ(mail::WithoutAngleBrackets("<a@b>"), "a@b");
  EXPECT_EQ(mail::WithoutAngleBrackets("a@b"), "a@b");
}

TEST(MailText, RandomCharsAreFortyLettersOrDigitsAndDiffer) {
  std::mt19937 generator(7);
  const std::string first = mail::RandomMailChars(generator);
  const std::string second = mail::RandomMailChars(generator);
  ASSERT_EQ(first.size(), 40u);
  EXPECT_NE(first, second);
  for (const char c : first + second) EXPECT_TRUE(std::isalnum(static_cast<unsigned char>(c))) << c;
}

class MailDateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* previous = std::getenv("TZ");
    hadTz_ = previous != nullptr;
    if (hadTz_) previousTz_ = previous;
  }
  void TearDown() override {
    if (hadTz_) {
      setenv("TZ", previousTz_.c_str(), 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
  }
  void UseZone(const char* zone) {
    setenv("TZ", zone, 1);
    tzset();
  }
  bool hadTz_ = false;
  std::string previousTz_;
};

TEST_F(MailDateTest, CarriesTheZoneOffset) {
  // 2026-12-10 20:14:24 UTC, a Thursday.
  const std::time_t when = 1796933664;
  UseZone("UTC0");
  EXPECT_EQ(mail::FormatMailDate(when), "Thu, 10 Dec 2026 20:14:24 +0000");
  UseZone("XST-5:30");
  EXPECT_EQ(mail::FormatMailDate(when), "Fri, 11 Dec 2026 01:44:24 +0530");
  UseZone("YST3");
  EXPECT_EQ(mail::FormatMailDate(when), "Thu, 10 Dec 2026 17:14:24 -0300");
}

TEST(WebInterface, NameAndPasswordAreFormEncoded) {
  EXPECT_EQ(FormEncode("John Smith"), "John+Smith");
  EXPECT_EQ(FormEncode("a&b=c?d#e%f+g/h"), "a%26b%3Dc%3Fd%23e%25f%2Bg%2Fh");
  EXPECT_EQ(FormEncode("\"'$(x)`;|\r\n"), "%22%27%24%28x%29%60%3B%7C%0D%0A");
  // Windows-1252 e-acute, sent as UTF-8.
  EXPECT_EQ(FormEncode("caf\xE9"), "caf%C3%A9");
  EXPECT_EQ(FormEncode("Az09-._~"), "Az09-._~");

  EXPECT_EQ(BuildLoginCheckAddress("John Smith", "p&password=x"),
            "http://vorhelm.example.net/DVX/LoginCheck?playerName=John+Smith&password=p%26password%3Dx");
}

}  // namespace
