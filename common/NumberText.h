// Number texts shared by the tools: hexadecimal readers, decimal conversions and the decimal
// text with thousands separators.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace orvex {

// Skips characters with codes 1..32, then reads up to max_digits hexadecimal digits (either
// case), stopping at the first other character. *end (when given) receives the position where
// reading stopped.
uint64_t HexValue(std::string_view text, int max_digits, size_t* end = nullptr);

// Skips every leading character that is not a hexadecimal digit, then reads at most 8 digits.
// (So "0x12" reads as 0: the 'x' stops the digits.)
uint32_t HexValueLoose(std::string_view text, size_t* end = nullptr);

// The usual signed decimal conversion: leading white space, optional sign, digits; nothing
// numeric gives 0. Values beyond 32 bits saturate at INT32_MIN / INT32_MAX.
int32_t SignedDecimal(std::string_view text);
// The same conversion taken as an unsigned 32-bit number (so "-1" is 0xFFFFFFFF).
inline uint32_t UnsignedDecimal(std::string_view text) { return static_cast<uint32_t>(SignedDecimal(text)); }

// The same conversion, except that positive values keep the full unsigned 32-bit range (up to
// 4294967295, larger ones stop there): a four-byte value shown with "%u" reads back as itself.
uint32_t UnsignedDecimalFullRange(std::string_view text);

// Skips to the first decimal digit and reads at most max_digits of them, each as one nibble,
// so "1234" reads as 0x1234.
uint32_t BcdValue(std::string_view text, int max_digits = 8, size_t* end = nullptr);

// "1234567" -> "1,234,567", cut to size - 1 bytes as a C buffer of `size` would hold it.
std::string DecimalWithSeparators(uint64_t value, size_t size = 64);

inline bool IsHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}
inline int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace orvex
