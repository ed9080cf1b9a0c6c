// Conversion between the game's Windows-1252 byte strings and the UTF-8 that
// SDL and the desktop speak. Only the platform layer converts; game code keeps
// Windows-1252 throughout.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// The code point of one Windows-1252 byte. The five bytes the code page leaves
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 control of the same
// value, so that every byte survives a round trip.
char32_t Windows1252ToCodePoint(uint8_t byte);

// The Windows-1252 byte of a code point; false when the code page has none.
bool CodePointToWindows1252(char32_t codePoint, uint8_t& byte);

std::string Windows1252ToUtf8(std::string_view text);

// Characters without a Windows-1252 byte are dropped, and so are malformed
// UTF-8 sequences (stray continuation bytes, overlong forms, surrogates,
// truncated sequences), byte by byte.
std::string Utf8ToWindows1252(std::string_view text);

// Appends the UTF-8 form of a code point (no checks beyond the range).
void AppendUtf8(char32_t codePoint, std::string& out);

}  // namespace platform
