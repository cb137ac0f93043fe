#include "VersionResource.h"

#include <windows.h>

#include <vector>

#include "PathText.h"
#include "Wide.h"

namespace orvex {

std::optional<std::string> ReadVersionString(std::string_view path, std::string_view block, std::string_view key) {
  std::wstring wpath = ToWide(path);
  DWORD ignored = 0;
  DWORD size = GetFileVersionInfoSizeW(wpath.c_str(), &ignored);
  if (size == 0) return std::nullopt;
  std::vector<unsigned char> data(size);
  if (!GetFileVersionInfoW(wpath.c_str(), 0, size, data.data())) return std::nullopt;
  std::wstring query = L"\\StringFileInfo\\" + ToWide(block) + L"\\" + ToWide(key);
  void* value = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(data.data(), query.c_str(), &value, &length) || value == nullptr) return std::nullopt;
  std::wstring_view text(static_cast<const wchar_t*>(value), length);
  while (!text.empty() && text.back() == L'\0') text.remove_suffix(1);
  return FromWide(text);
}

std::string OwnModulePath() {
  std::vector<wchar_t> buf(MAX_PATH);
  for (;;) {
    DWORD n = GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
    if (n == 0) return std::string();
    if (n < buf.size()) return FromWide(std::wstring_view(buf.data(), n));
    buf.resize(buf.size() * 2);
  }
}

std::string OwnModuleFolder() { return std::string(PathFolder(OwnModulePath())); }

}  // namespace orvex
