// JSON texts from the suite's code page 932 strings. JSON is UTF-8 (RFC 8259), so every string is
// converted here, at the output; the result is valid JSON for any bytes.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace orvex {

// A quoted JSON string: '"', '\' and the control characters escaped, every other character in
// UTF-8; bytes that are no code page 932 character become U+FFFD.
std::string JsonString(std::string_view cp932_text);
// A JSON array of such strings.
std::string JsonList(const std::vector<std::string>& list);

}  // namespace orvex
