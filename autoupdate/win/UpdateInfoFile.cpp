#include "UpdateInfoFile.h"

#include <winnetwk.h>

#include <new>

#include "Handles.h"
#include "VersionResource.h"
#include "VersionText.h"
#include "Wide.h"

namespace orvex::autoupdate {

namespace {

HANDLE OpenForReading(const std::string& path) {
  return CreateFileW(ToWide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

// 0 on success, else the system error; the half-written file is deleted.
DWORD WriteTemplate(const std::string& path) {
  std::wstring wide = ToWide(path);
  UniqueFile file(CreateFileW(wide.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    DWORD error = GetLastError();
    return error == ERROR_FILE_EXISTS ? 0 : error;  // written meanwhile: read that one
  }
  std::string text = UpdateInfoTemplate();
  DWORD written = 0;
  DWORD error = 0;
  if (!WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr)) {
    error = GetLastError();
  } else if (written != text.size()) {
    error = ERROR_WRITE_FAULT;
  }
  if (!CloseHandle(file.Release()) && error == 0) error = GetLastError();
  if (error != 0) DeleteFileW(wide.c_str());
  return error;
}

}  // namespace

std::string ReplaceNetworkDrive(std::string_view path) {
  if (path.size() < 2 || path[1] != ':') return std::string(path);
  wchar_t drive[3] = {static_cast<wchar_t>(static_cast<unsigned char>(path[0])), L':', 0};
  wchar_t remote[1024];
  DWORD length = sizeof remote / sizeof remote[0];
  if (WNetGetConnectionW(drive, remote, &length) != NO_ERROR) return std::string(path);
  return ReplaceDrive(path, FromWide(remote));
}

std::string ProgramPathOnShare() { return ReplaceNetworkDrive(OwnModulePath()); }

UpdateInfoLoad LoadUpdateInfoFile(const std::string& path, std::string_view update_folder, UpdateInfo* out) {
  UpdateInfoLoad load;
  UniqueFile file(OpenForReading(path));
  if (!file && GetLastError() == ERROR_FILE_NOT_FOUND) {
    DWORD error = WriteTemplate(path);
    if (error != 0) {
      load.error = error;
      load.message = UpdateInfoReadErrorText(path, error);
      return load;
    }
    load.template_written = true;
    file.Reset(OpenForReading(path));
  }
  if (!file) {
    load.error = GetLastError();
    load.message = UpdateInfoReadErrorText(path, load.error);
    return load;
  }
  std::string content;
  try {
    LARGE_INTEGER size = {};
    if (GetFileSizeEx(file.Get(), &size) && size.QuadPart > 0 && size.QuadPart < 0x7FFFFFFF) {
      content.reserve(static_cast<size_t>(size.QuadPart));
    }
    char buffer[8192];
    for (;;) {
      DWORD got = 0;
      if (!ReadFile(file.Get(), buffer, sizeof buffer, &got, nullptr)) {
        load.error = GetLastError();
        load.message = UpdateInfoReadErrorText(path, load.error);
        return load;
      }
      if (got == 0) break;
      content.append(buffer, got);
    }
  } catch (const std::bad_alloc&) {
    load.message = UpdateInfoMemoryText();
    return load;
  }
  if (ParseUpdateInfo(content, update_folder, out) != UpdateInfoStatus::kOk) {
    load.message = UpdateInfoMemoryText();
    return load;
  }
  load.ok = true;
  return load;
}

uint32_t FileVersionPacked(std::string_view path) {
  for (const char* block : {"041104b0", "040904b0", "041103a4"}) {
    if (auto text = ReadVersionString(path, block)) return ParseVersionPacked(*text);
  }
  return 0;
}

bool FileSystemToolProbe::FileExists(const std::string& path) {
  DWORD attributes = GetFileAttributesW(ToWide(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace orvex::autoupdate
