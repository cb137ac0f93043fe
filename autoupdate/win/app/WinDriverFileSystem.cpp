#include "WinDriverFileSystem.h"

#include <windows.h>

#include "SystemError.h"
#include "UpdateInfoFile.h"
#include "Wide.h"

namespace orvex::autoupdate {

uint32_t WinDriverFileSystem::Probe(const std::string& path) {
  if (GetFileAttributesW(ToWide(path).c_str()) != INVALID_FILE_ATTRIBUTES) return 0;
  DWORD error = GetLastError();
  return error != 0 ? error : ERROR_FILE_NOT_FOUND;
}

uint32_t WinDriverFileSystem::FileVersion(const std::string& path) { return FileVersionPacked(path); }

void WinDriverFileSystem::ClearReadOnly(const std::string& path) {
  std::wstring wide = ToWide(path);
  DWORD attributes = GetFileAttributesW(wide.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
    SetFileAttributesW(wide.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
  }
}

uint32_t WinDriverFileSystem::Copy(const std::string& source, const std::string& target) {
  if (CopyFileW(ToWide(source).c_str(), ToWide(target).c_str(), FALSE)) return 0;
  DWORD error = GetLastError();
  return error != 0 ? error : ERROR_GEN_FAILURE;
}

std::string WinDriverFileSystem::ErrorText(uint32_t error) { return SystemErrorText(error); }

}  // namespace orvex::autoupdate
