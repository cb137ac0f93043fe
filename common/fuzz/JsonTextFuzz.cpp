// Any bytes as a code page 932 text: the JSON string is valid JSON and UTF-8 (checked here by a
// reader of its own, not by the converter) and says exactly the characters the text decodes to;
// the UTF-8 and UTF-16 forms agree; any bytes read as UTF-8 do not crash the reader.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "Cp932Unicode.h"
#include "JsonText.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// A strict reader of one JSON string literal; aborts on anything RFC 8259 does not allow.
std::u32string ReadJsonString(const std::string& s) {
  Check(s.size() >= 2 && s.front() == '"' && s.back() == '"');
  std::u32string out;
  size_t i = 1;
  const size_t end = s.size() - 1;
  while (i < end) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    Check(c >= 0x20 && c != '"');
    if (c == '\\') {
      Check(i + 1 < end);
      const char e = s[i + 1];
      if (e == 'u') {
        Check(i + 5 < end);
        char32_t v = 0;
        for (int k = 2; k < 6; ++k) {
          int h = HexValue(s[i + k]);
          Check(h >= 0);
          v = v * 16 + static_cast<char32_t>(h);
        }
        Check(v < 0xD800 || v > 0xDFFF);  // the writer never needs surrogate escapes
        out.push_back(v);
        i += 6;
        continue;
      }
      const std::string_view simple = "\"\\/bfnrt";
      const std::u32string values = U"\"\\/\b\f\n\r\t";
      size_t at = simple.find(e);
      Check(at != std::string_view::npos);
      out.push_back(values[at]);
      i += 2;
      continue;
    }
    if (c < 0x80) {
      out.push_back(c);
      ++i;
      continue;
    }
    size_t n = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 0;
    Check(n != 0 && i + n <= end);
    char32_t v = c & (0x7F >> n);
    for (size_t k = 1; k < n; ++k) {
      const unsigned char t = static_cast<unsigned char>(s[i + k]);
      Check((t & 0xC0) == 0x80);
      v = (v << 6) | (t & 0x3F);
    }
    const char32_t minimum[] = {0, 0, 0x80, 0x800, 0x10000};
    Check(v >= minimum[n] && v <= 0x10FFFF && (v < 0xD800 || v > 0xDFFF));
    out.push_back(v);
    i += n;
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  std::u32string decoded;
  for (size_t i = 0; i < text.size();) {
    char32_t c;
    size_t n = orvex::DecodeCp932Char(text, i, &c);
    Check(n == 1 || n == 2);
    decoded.push_back(c);
    i += n;
  }
  Check(ReadJsonString(orvex::JsonString(text)) == decoded);
  Check(orvex::Utf8ToUtf16(orvex::Cp932ToUtf8(text)) == orvex::Cp932ToUtf16(text));

  std::u16string wide = orvex::Utf8ToUtf16(text);
  Check(wide.size() <= text.size());
  return 0;
}
