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

// The copy goes to a file beside the target first and then takes the target's name in one step:
// a run cut off while the bytes are written (the program killed, the PC's power lost) leaves the
// driver, the library or the backup in Old\ as it was or whole, never half written. A temporary
// file such a run leaves is overwritten by the next copy.
uint32_t WinDriverFileSystem::Copy(const std::string& source, const std::string& target) {
  const std::wstring wide_target = ToWide(target);
  const std::wstring temporary = wide_target + L".OrvexRoll.tmp";
  DWORD error = 0;
  SetFileAttributesW(temporary.c_str(), FILE_ATTRIBUTE_NORMAL);  // one left read-only by a cut-off run
  if (!CopyFileW(ToWide(source).c_str(), temporary.c_str(), FALSE)) {
    error = GetLastError();
  } else if (!MoveFileExW(temporary.c_str(), wide_target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    error = GetLastError();
  } else {
    return 0;
  }
  DeleteFileW(temporary.c_str());
  return error != 0 ? error : ERROR_GEN_FAILURE;
}

std::string WinDriverFileSystem::ErrorText(uint32_t error) { return SystemErrorText(error); }

}  // namespace orvex::autoupdate
