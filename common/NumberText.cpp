#include "NumberText.h"

#include <limits>

namespace orvex {

static uint64_t ReadHexDigits(std::string_view text, size_t& i, int max_digits) {
  uint64_t value = 0;
  for (int n = 0; n < max_digits && i < text.size(); ++n, ++i) {
    int d = HexDigitValue(text[i]);
    if (d < 0) break;
    value = (value << 4) | static_cast<uint64_t>(d);
  }
  return value;
}

uint64_t HexValue(std::string_view text, int max_digits, size_t* end) {
  size_t i = 0;
  while (i < text.size() && static_cast<unsigned char>(text[i]) <= 32 && text[i] != '\0') ++i;
  uint64_t value = ReadHexDigits(text, i, max_digits);
  if (end) *end = i;
  return value;
}

uint32_t HexValueLoose(std::string_view text, size_t* end) {
  size_t i = 0;
  while (i < text.size() && !IsHexDigit(text[i])) ++i;
  auto value = static_cast<uint32_t>(ReadHexDigits(text, i, 8));
  if (end) *end = i;
  return value;
}

// White space, an optional sign and the digits; the magnitude stops at the limit of its sign.
static uint64_t ReadDecimal(std::string_view text, uint64_t positive_limit, uint64_t negative_limit,
                            bool* negative) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  *negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    *negative = text[i] == '-';
    ++i;
  }
  const uint64_t limit = *negative ? negative_limit : positive_limit;
  uint64_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + static_cast<uint64_t>(text[i] - '0');
    if (value > limit) value = limit;  // saturate, keep scanning
  }
  return value;
}

int32_t SignedDecimal(std::string_view text) {
  bool negative;
  const uint64_t value = ReadDecimal(text, std::numeric_limits<int32_t>::max(),
                                     uint64_t{1} << 31, &negative);
  return negative ? static_cast<int32_t>(-static_cast<int64_t>(value)) : static_cast<int32_t>(value);
}

uint32_t UnsignedDecimalFullRange(std::string_view text) {
  bool negative;
  const uint64_t value = ReadDecimal(text, 0xFFFFFFFFull, uint64_t{1} << 31, &negative);
  return negative ? static_cast<uint32_t>(-static_cast<int64_t>(value)) : static_cast<uint32_t>(value);
}

uint32_t BcdValue(std::string_view text, int max_digits, size_t* end) {
  size_t i = 0;
  while (i < text.size() && !(text[i] >= '0' && text[i] <= '9')) ++i;
  uint32_t value = 0;
  for (int n = 0; n < max_digits && i < text.size() && text[i] >= '0' && text[i] <= '9'; ++n, ++i) {
    value = (value << 4) | static_cast<uint32_t>(text[i] - '0');
  }
  if (end) *end = i;
  return value;
}

std::string DecimalWithSeparators(uint64_t value, size_t size) {
  std::string digits = std::to_string(value);
  std::string out;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  if (size == 0) return std::string();
  if (out.size() > size - 1) out.resize(size - 1);
  return out;
}

}  // namespace orvex
