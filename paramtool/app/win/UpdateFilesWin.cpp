#include "UpdateFilesWin.h"

#include <windows.h>

#include "Handles.h"
#include "SystemError.h"
#include "Wide.h"

namespace orvex {
namespace {

constexpr DWORD kSmallFileLimit = 64 * 1024;

}  // namespace

bool WinUpdateFiles::Exists(const std::string& path) {
  const DWORD attributes = GetFileAttributesW(ToWide(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::optional<std::string> WinUpdateFiles::ReadSmall(const std::string& path) {
  UniqueFile file(CreateFileW(ToWide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return std::nullopt;
  std::string bytes;
  char buffer[4096];
  DWORD got = 0;
  while (bytes.size() < kSmallFileLimit && ReadFile(file.Get(), buffer, sizeof buffer, &got, nullptr) &&
         got > 0)
    bytes.append(buffer, got);
  return bytes;
}

bool WinUpdateFiles::IsReadOnly(const std::string& path) {
  const DWORD attributes = GetFileAttributesW(ToWide(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

void WinUpdateFiles::ClearReadOnly(const std::string& path) {
  const std::wstring wide = ToWide(path);
  const DWORD attributes = GetFileAttributesW(wide.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0)
    SetFileAttributesW(wide.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
}

bool WinUpdateFiles::Copy(const std::string& from, const std::string& to, uint32_t* error) {
  if (CopyFileW(ToWide(from).c_str(), ToWide(to).c_str(), FALSE)) return true;
  *error = GetLastError();
  return false;
}

std::string WinUpdateFiles::ErrorText(uint32_t error) {
  return SystemErrorText(error);
}

}  // namespace orvex
