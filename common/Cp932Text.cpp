#include "Cp932Text.h"

namespace orvex {

size_t CharLength(std::string_view text, size_t pos) {
  if (pos + 1 < text.size() && IsLeadByte(static_cast<unsigned char>(text[pos]))) return 2;
  return 1;
}

size_t FindChar(std::string_view text, char ch, size_t from) {
  for (size_t i = 0; i < text.size(); i += CharLength(text, i)) {
    if (i >= from && text[i] == ch) return i;
  }
  return kNotFound;
}

size_t FindLastChar(std::string_view text, char ch) {
  size_t found = kNotFound;
  for (size_t i = 0; i < text.size(); i += CharLength(text, i)) {
    if (text[i] == ch) found = i;
  }
  return found;
}

size_t FindAnyChar(std::string_view text, std::string_view set, size_t from) {
  for (size_t i = 0; i < text.size(); i += CharLength(text, i)) {
    if (i >= from && set.find(text[i]) != std::string_view::npos) return i;
  }
  return kNotFound;
}

bool EndsWithChar(std::string_view text, char ch) {
  if (text.empty()) return false;
  size_t last = 0;
  for (size_t i = 0; i < text.size(); i += CharLength(text, i)) last = i;
  return last == text.size() - 1 && text[last] == ch;
}

size_t CutLength(std::string_view text, size_t max_bytes) {
  if (text.size() <= max_bytes) return text.size();
  size_t i = 0;
  while (i < text.size()) {
    size_t n = CharLength(text, i);
    if (i + n > max_bytes) break;
    i += n;
  }
  return i;
}

std::string_view DropDanglingLead(std::string_view text) {
  if (text.empty()) return text;
  size_t last = 0;
  for (size_t i = 0; i < text.size(); i += CharLength(text, i)) last = i;
  if (last == text.size() - 1 && IsLeadByte(static_cast<unsigned char>(text[last]))) {
    return text.substr(0, last);
  }
  return text;
}

static bool IsControl(char c) {
  auto u = static_cast<unsigned char>(c);
  return u >= 0x01 && u <= 0x20;
}

std::string_view TrimLeadingControl(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && IsControl(text[i])) ++i;
  return text.substr(i);
}

std::string_view TrimTrailingControl(std::string_view text) {
  // A trail byte is never in 0x01-0x20, so trimming from the end cannot split a character.
  size_t n = text.size();
  while (n > 0 && IsControl(text[n - 1])) --n;
  return text.substr(0, n);
}

std::string_view TrimControl(std::string_view text) { return TrimTrailingControl(TrimLeadingControl(text)); }

std::vector<std::string_view> SplitFields(std::string_view text, char sep) {
  std::vector<std::string_view> fields;
  size_t start = 0;
  for (;;) {
    size_t pos = FindChar(text, sep, start);
    if (pos == kNotFound) {
      fields.push_back(text.substr(start));
      return fields;
    }
    fields.push_back(text.substr(start, pos - start));
    start = pos + 1;
  }
}

static char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (prefix.size() > text.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    if (LowerAscii(text[i]) != LowerAscii(prefix[i])) return false;
  }
  return true;
}

bool EqualsNoCase(std::string_view a, std::string_view b) { return a.size() == b.size() && StartsWithNoCase(a, b); }

}  // namespace orvex
