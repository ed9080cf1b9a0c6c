// Pieces of the game's outgoing mail: address checks, the message's random
// ids, its date line, base64 attachments and the SMTP data transparency.
#pragma once

#include <cstdint>
#include <ctime>
#include <random>
#include <string>
#include <vector>

namespace mail {

// A plain address "local@domain": exactly one "@" with text on both sides,
// and no blank, control character (CR, LF ...), "<" or ">" anywhere, so that
// it cannot break out of a command or a header line.
bool IsPlainAddress(const std::string& address);

// The address inside one pair of angle brackets ("<a@b>" gives "a@b"); an
// address without brackets is returned as it is.
std::string WithoutAngleBrackets(const std::string& address);

// 40 characters drawn from letters and digits.
std::string RandomMailChars(std::mt19937& generator);

// "Thu, 10 Dec 2026 20:14:24 +0100": English names whatever the locale, and
// the offset of the local time zone at that moment.
std::string FormatMailDate(std::time_t when);

// Base64 of RFC 2045 in lines of 76 characters, each full line followed by
// CR LF; the last, shorter line (if any) has no line end.
std::string EncodeBase64Lines(const std::vector<uint8_t>& bytes);

// Every line end (CR LF, a lone LF or a lone CR) made CR LF.
std::string ToCrLfLines(const std::string& text);

// SMTP data transparency: a line that begins with "." gets one more in front.
std::string DotStuff(const std::string& text);

}  // namespace mail
