#include "platform/text_encoding.h"

#include <gtest/gtest.h>

#include <string>

namespace platform {
namespace {

struct EncodingCase {
  std::string windows1252;
  std::string utf8;
};

void PrintTo(const EncodingCase& c, std::ostream* os) { *os << ::testing::PrintToString(c.utf8); }

class TextEncodingRoundTrip : public ::testing::TestWithParam<EncodingCase> {};

TEST_P(TextEncodingRoundTrip, ConvertsBothWays) {
  const EncodingCase& c = GetParam();
  EXPECT_EQ(Windows1252ToUtf8(c.windows1252), c.utf8);
  EXPECT_EQ(Utf8ToWindows1252(c.utf8), c.windows1252);
}

INSTANTIATE_TEST_SUITE_P(
    Table, TextEncodingRoundTrip,
    ::testing::Values(EncodingCase{"", ""}, EncodingCase{"Plain ASCII 123", "Plain ASCII 123"},
                      EncodingCase{"\x80", "\xE2\x82\xAC"},            // euro sign
                      EncodingCase{"\x8A\x9A", "\xC5\xA0\xC5\xA1"},    // S and s with caron
                      EncodingCase{"\x93q\x94", "\xE2\x80\x9Cq\xE2\x80\x9D"},
                      EncodingCase{"\x99", "\xE2\x84\xA2"},            // trade mark
                      EncodingCase{"\x9F", "\xC5\xB8"},                // Y with diaeresis
                      EncodingCase{"\xA0\xE9\xFF", "\xC2\xA0\xC3\xA9\xC3\xBF"},
                      EncodingCase{"\x81\x8D\x8F\x90\x9D", "\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D"}));

struct DroppedCase {
  const char* utf8;
  const char* expected;
};

void PrintTo(const DroppedCase& c, std::ostream* os) { *os << ::testing::PrintToString(std::string(c.utf8)); }

class TextEncodingDrops : public ::testing::TestWithParam<DroppedCase> {};

TEST_P(TextEncodingDrops, UnmappableAndMalformedInputIsDropped) {
  EXPECT_EQ(Utf8ToWindows1252(GetParam().utf8), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, TextEncodingDrops,
    ::testing::Values(DroppedCase{"a\xE6\x97\xA5" "b", "ab"},         // CJK character
                      DroppedCase{"\xF0\x9F\x98\x80!", "!"},          // emoji (4 bytes)
                      DroppedCase{"x\x80y", "xy"},                    // stray continuation
                      DroppedCase{"\xC3", ""},                        // truncated sequence
                      DroppedCase{"\xC0\xA9z", "z"},                  // overlong form
                      DroppedCase{"\xED\xA0\x80w", "w"},              // surrogate
                      DroppedCase{"\xC3(", "("},                      // lead without continuation
                      DroppedCase{"\xE2\x82\xAC\xC5\x92", "\x80\x8C"}));

TEST(TextEncoding, EveryByteSurvivesARoundTrip) {
  for (int byte = 0; byte < 256; ++byte) {
    const std::string text(1, static_cast<char>(byte));
    EXPECT_EQ(Utf8ToWindows1252(Windows1252ToUtf8(text)), text) << "byte " << byte;
  }
}

TEST(TextEncoding, CodePointsWithoutAByteAreRefused) {
  uint8_t byte = 0;
  EXPECT_FALSE(CodePointToWindows1252(0x0100, byte));  // A with macron
  EXPECT_FALSE(CodePointToWindows1252(0x20AD, byte));
  EXPECT_TRUE(CodePointToWindows1252(0x2014, byte));
  EXPECT_EQ(byte, 0x97);
}

}  // namespace
}  // namespace platform
