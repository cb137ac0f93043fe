#include "EnvironmentBlock.h"

#include <algorithm>

namespace orvex::uidriver {

namespace {

wchar_t UpperAscii(wchar_t c) {
  return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - L'a' + L'A') : c;
}

// The name part of an entry; a leading '=' belongs to the name ("=C:=C:\dir").
std::wstring_view NameOf(std::wstring_view entry) {
  size_t eq = entry.find(L'=', entry.empty() ? 0 : 1);
  return eq == std::wstring_view::npos ? entry : entry.substr(0, eq);
}

bool SameName(std::wstring_view a, std::wstring_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (UpperAscii(a[i]) != UpperAscii(b[i])) return false;
  }
  return true;
}

bool NameLess(std::wstring_view a, std::wstring_view b) {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    wchar_t x = UpperAscii(a[i]), y = UpperAscii(b[i]);
    if (x != y) return x < y;
  }
  return a.size() < b.size();
}

}  // namespace

std::vector<std::wstring> SplitEnvironmentBlock(const wchar_t* block, size_t size) {
  std::vector<std::wstring> entries;
  if (block == nullptr) return entries;
  size_t pos = 0;
  while (pos < size && block[pos] != L'\0') {
    size_t end = pos;
    while (end < size && block[end] != L'\0') ++end;
    entries.emplace_back(block + pos, end - pos);
    pos = end + 1;
  }
  return entries;
}

std::vector<std::wstring> MergeEnvironment(const std::vector<std::wstring>& entries,
                                           const std::vector<EnvironmentChange>& changes) {
  std::vector<std::wstring> result;
  for (const std::wstring& entry : entries) {
    if (entry.empty()) continue;
    bool changed = std::any_of(changes.begin(), changes.end(),
                               [&](const EnvironmentChange& c) { return SameName(c.first, NameOf(entry)); });
    if (!changed) result.push_back(entry);
  }
  for (size_t i = 0; i < changes.size(); ++i) {
    const EnvironmentChange& change = changes[i];
    if (change.first.empty() || change.first.find(L'=') != std::wstring::npos) continue;
    bool overridden =
        std::any_of(changes.begin() + static_cast<std::ptrdiff_t>(i) + 1, changes.end(),
                    [&](const EnvironmentChange& c) { return SameName(c.first, change.first); });
    if (overridden || change.second.empty()) continue;
    result.push_back(change.first + L"=" + change.second);
  }
  std::stable_sort(result.begin(), result.end(), [](const std::wstring& a, const std::wstring& b) {
    bool a_drive = a[0] == L'=', b_drive = b[0] == L'=';
    if (a_drive != b_drive) return a_drive;
    return NameLess(NameOf(a), NameOf(b));
  });
  return result;
}

std::wstring BuildEnvironmentBlock(const std::vector<std::wstring>& entries) {
  std::wstring block;
  for (const std::wstring& entry : entries) {
    if (entry.empty()) continue;
    block += entry;
    block += L'\0';
  }
  if (block.empty()) block += L'\0';  // an empty block still needs its two NULs
  block += L'\0';
  return block;
}

std::optional<std::pair<std::string, std::string>> ParseAssignment(std::string_view text) {
  size_t eq = text.find('=');
  if (eq == std::string_view::npos || eq == 0) return std::nullopt;
  return std::make_pair(std::string(text.substr(0, eq)), std::string(text.substr(eq + 1)));
}

}  // namespace orvex::uidriver
