#include "Cp932Unicode.h"

#include <cstdint>

#include "Cp932Text.h"

namespace orvex {

namespace {

#include "Cp932Table.inc"

constexpr int kFirstTrail = 0x40;

int LeadRow(unsigned char lead) {
  return lead <= 0x9F ? lead - 0x81 : lead - 0xE0 + (0xA0 - 0x81);
}

void AppendUtf16(std::u16string* out, char32_t c) {
  if (c >= 0x10000) {
    c -= 0x10000;
    out->push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
    out->push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
  } else {
    out->push_back(static_cast<char16_t>(c));
  }
}

using Decoder = size_t (*)(std::string_view, size_t, char32_t*);

std::u16string ToUtf16(std::string_view text, Decoder decode) {
  std::u16string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    char32_t c;
    i += decode(text, i, &c);
    AppendUtf16(&out, c);
  }
  return out;
}

}  // namespace

size_t DecodeCp932Char(std::string_view text, size_t pos, char32_t* code_point) {
  const unsigned char c = static_cast<unsigned char>(text[pos]);
  if (c < 0x80) {
    *code_point = c;
    return 1;
  }
  if (c >= 0xA1 && c <= 0xDF) {  // half-width katakana
    *code_point = 0xFF61 + (c - 0xA1);
    return 1;
  }
  if (IsLeadByte(c) && pos + 1 < text.size()) {
    const unsigned char trail = static_cast<unsigned char>(text[pos + 1]);
    if (IsTrailByte(trail)) {
      uint16_t mapped = kCp932Pairs[LeadRow(c)][trail - kFirstTrail];
      *code_point = mapped != 0 ? mapped : kReplacementCharacter;
      return 2;
    }
  }
  *code_point = kReplacementCharacter;
  return 1;
}

void AppendUtf8(std::string* out, char32_t c) {
  if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = kReplacementCharacter;
  if (c < 0x80) {
    out->push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (c >> 6)));
    out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out->push_back(static_cast<char>(0xE0 | (c >> 12)));
    out->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | (c >> 18)));
    out->push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

std::string Cp932ToUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 2);
  for (size_t i = 0; i < text.size();) {
    char32_t c;
    i += DecodeCp932Char(text, i, &c);
    AppendUtf8(&out, c);
  }
  return out;
}

std::u16string Cp932ToUtf16(std::string_view text) {
  return ToUtf16(text, DecodeCp932Char);
}

size_t DecodeUtf8Char(std::string_view text, size_t pos, char32_t* code_point) {
  const unsigned char c = static_cast<unsigned char>(text[pos]);
  *code_point = kReplacementCharacter;
  if (c < 0x80) {
    *code_point = c;
    return 1;
  }
  size_t length;
  char32_t value;
  char32_t minimum;
  if (c >= 0xC2 && c <= 0xDF) {
    length = 2, value = c & 0x1F, minimum = 0x80;
  } else if (c >= 0xE0 && c <= 0xEF) {
    length = 3, value = c & 0x0F, minimum = 0x800;
  } else if (c >= 0xF0 && c <= 0xF4) {
    length = 4, value = c & 0x07, minimum = 0x10000;
  } else {
    return 1;
  }
  if (pos + length > text.size()) return 1;
  for (size_t k = 1; k < length; ++k) {
    const unsigned char next = static_cast<unsigned char>(text[pos + k]);
    if ((next & 0xC0) != 0x80) return 1;
    value = (value << 6) | (next & 0x3F);
  }
  if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 1;
  *code_point = value;
  return length;
}

std::u16string Utf8ToUtf16(std::string_view text) {
  return ToUtf16(text, DecodeUtf8Char);
}

}  // namespace orvex
