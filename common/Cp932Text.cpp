#include "Cp932Text.h"

#include <cstring>

namespace orvex {

size_t CharLength(std::string_view text, size_t pos) {
  if (pos + 1 < text.size() && IsLeadByte(static_cast<unsigned char>(text[pos]))) return 2;
  return 1;
}

// True when text[pos] begins a character rather than being the second byte of one. Walking from
// the start would tell, but so does the run of lead-range bytes just before pos: the byte before
// that run is no lead byte, so a character starts right after it, and the run pairs up from
// there. An odd run leaves a lead byte that takes text[pos] as its second byte. This keeps every
// search at memchr speed instead of a walk over the whole text.
static bool StartsCharacter(std::string_view text, size_t pos) {
  size_t run = 0;
  while (run < pos && IsLeadByte(static_cast<unsigned char>(text[pos - 1 - run]))) ++run;
  return run % 2 == 0;
}

size_t FindChar(std::string_view text, char ch, size_t from) {
  while (from < text.size()) {
    const void* hit = std::memchr(text.data() + from, ch, text.size() - from);
    if (hit == nullptr) return kNotFound;
    const size_t pos = static_cast<size_t>(static_cast<const char*>(hit) - text.data());
    if (StartsCharacter(text, pos)) return pos;
    from = pos + 1;
  }
  return kNotFound;
}

size_t FindLastChar(std::string_view text, char ch) {
  size_t found = kNotFound;
  for (size_t pos = FindChar(text, ch); pos != kNotFound; pos = FindChar(text, ch, pos + 1)) found = pos;
  return found;
}

size_t FindAnyChar(std::string_view text, std::string_view set, size_t from) {
  size_t first = kNotFound;
  for (char ch : set) {
    const size_t pos = FindChar(text.substr(0, first == kNotFound ? text.size() : first), ch, from);
    if (pos != kNotFound) first = pos;
  }
  return first;
}

bool EndsWithChar(std::string_view text, char ch) {
  return !text.empty() && text.back() == ch && StartsCharacter(text, text.size() - 1);
}

size_t CutLength(std::string_view text, size_t max_bytes) {
  if (text.size() <= max_bytes) return text.size();
  return StartsCharacter(text, max_bytes) ? max_bytes : max_bytes - 1;
}

std::string_view DropDanglingLead(std::string_view text) {
  if (!text.empty() && IsLeadByte(static_cast<unsigned char>(text.back())) && StartsCharacter(text, text.size() - 1)) {
    return text.substr(0, text.size() - 1);
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
