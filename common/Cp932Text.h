// Code page 932 text helpers. Every scan of program text for a single-byte delimiter goes
// through here, so that the trail byte of a double-byte character (which may be 0x5C '\',
// 0x5D ']' and so on) is never taken for the delimiter.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace orvex {

constexpr size_t kNotFound = std::string_view::npos;

// 0x81-0x9F and 0xE0-0xFC start a double-byte character.
inline bool IsLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }
// 0x40-0x7E and 0x80-0xFC may follow a lead byte.
inline bool IsTrailByte(unsigned char c) { return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC); }
inline bool IsValidPair(unsigned char lead, unsigned char trail) {
  return IsLeadByte(lead) && IsTrailByte(trail);
}

// Length in bytes of the character that starts at text[pos]: 2 for a lead byte followed by any
// byte, else 1. A lead byte at the very end counts as one byte.
size_t CharLength(std::string_view text, size_t pos);

// First position at or after `from` where the single-byte character `ch` stands as a character
// of its own, or kNotFound.
size_t FindChar(std::string_view text, char ch, size_t from = 0);
// Last such position, or kNotFound.
size_t FindLastChar(std::string_view text, char ch);
// First position of any character of `set` (all single-byte), or kNotFound.
size_t FindAnyChar(std::string_view text, std::string_view set, size_t from = 0);

// 1 when the last character of the text is `ch`; a trail byte is never a character of its own.
bool EndsWithChar(std::string_view text, char ch);

// The largest length <= max_bytes that does not cut a double-byte character in two.
size_t CutLength(std::string_view text, size_t max_bytes);
inline std::string_view CutText(std::string_view text, size_t max_bytes) {
  return text.substr(0, CutLength(text, max_bytes));
}

// Drops a lead byte that stands alone at the end of the text (an invalid last character).
std::string_view DropDanglingLead(std::string_view text);

// Trims the bytes 0x01-0x20 at both ends (or only at the front).
std::string_view TrimControl(std::string_view text);
std::string_view TrimLeadingControl(std::string_view text);
std::string_view TrimTrailingControl(std::string_view text);

// Splits at every `sep` that stands as a character of its own; always at least one field.
std::vector<std::string_view> SplitFields(std::string_view text, char sep);

// ASCII-only case-insensitive prefix and equality tests; bytes >= 0x80 compare as they are.
bool StartsWithNoCase(std::string_view text, std::string_view prefix);
bool EqualsNoCase(std::string_view a, std::string_view b);

}  // namespace orvex
