#include "VersionText.h"

#include "Format.h"

namespace orvex {

std::string VersionText(uint32_t v) {
  return Format("%u.%u.%u.%u", v >> 24, (v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
}

template <typename Combine>
static uint32_t ParseComponents(std::string_view text, Combine combine) {
  uint32_t result = 0;
  size_t i = 0;
  while (i <= text.size()) {
    uint32_t component = 0;
    for (; i < text.size() && text[i] != '.' && text[i] != ','; ++i) {
      if (text[i] >= '0' && text[i] <= '9') component = component * 10 + static_cast<uint32_t>(text[i] - '0');
    }
    result = combine(result, component);
    ++i;  // past the separator (or the end)
  }
  return result;
}

uint32_t ParseVersionWithCarry(std::string_view text) {
  return ParseComponents(text, [](uint32_t r, uint32_t c) { return (r << 8) + c; });
}

uint32_t ParseVersionPacked(std::string_view text) {
  return ParseComponents(text, [](uint32_t r, uint32_t c) { return (r << 8) | (c & 0xFF); });
}

}  // namespace orvex
