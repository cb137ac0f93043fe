#include "JsonText.h"

#include <cstdio>

#include "Cp932Unicode.h"

namespace orvex {

std::string JsonString(std::string_view text) {
  std::string out = "\"";
  out.reserve(text.size() + text.size() / 2 + 2);
  for (size_t i = 0; i < text.size();) {
    // Decoded first: a trail byte 0x5C is part of its character, never a backslash.
    char32_t c;
    i += DecodeCp932Char(text, i, &c);
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20 || c == 0x7F) {
          char escape[8];
          std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(c));
          out += escape;
        } else {
          AppendUtf8(&out, c);
        }
    }
  }
  return out + "\"";
}

std::string JsonList(const std::vector<std::string>& list) {
  std::string out = "[";
  for (size_t i = 0; i < list.size(); ++i) out += (i ? ", " : "") + JsonString(list[i]);
  return out + "]";
}

}  // namespace orvex
