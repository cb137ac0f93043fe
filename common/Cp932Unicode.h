// Code page 932 to Unicode, for readers that expect UTF-8 or UTF-16: JSON, a UTF-8 terminal, a
// Windows console. Our own table (GenerateCp932Table.py), so the host and orvex.exe convert
// alike. Bytes that are no code page 932 character become U+FFFD; nothing else is lost.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace orvex {

constexpr char32_t kReplacementCharacter = 0xFFFD;

// The character at text[pos] (pos < size): its code point and its length in bytes. A pair with no
// character gives one U+FFFD for both bytes; a lead byte followed by a byte that cannot trail it,
// a lead byte at the end, and 0x80, 0xA0, 0xFD-0xFF give U+FFFD for that one byte.
size_t DecodeCp932Char(std::string_view text, size_t pos, char32_t* code_point);

void AppendUtf8(std::string* out, char32_t code_point);
std::string Cp932ToUtf8(std::string_view text);
std::u16string Cp932ToUtf16(std::string_view text);

// Decodes one UTF-8 character; an invalid or cut sequence, an overlong form or a surrogate gives
// U+FFFD for its first byte. Returns the bytes used (at least 1).
size_t DecodeUtf8Char(std::string_view text, size_t pos, char32_t* code_point);
std::u16string Utf8ToUtf16(std::string_view text);

}  // namespace orvex
