// A fresh folder under the temporary folder for one test (its name holds blanks, as real
// installation folders do), removed with everything in it at the end.
#pragma once

#include <windows.h>

#include <string>

#include "Wide.h"

namespace orvex::autoupdate::test_support {

class ScratchFolder {
 public:
  ScratchFolder() {
    static int counter = 0;
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    path_ = FromWide(temp) + "orvex auto " + std::to_string(GetCurrentProcessId()) + " " + std::to_string(++counter) +
            "\\";
    CreateDirectoryW(ToWide(path_).c_str(), nullptr);
  }
  ~ScratchFolder() { Remove(ToWide(path_)); }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  // The folder, ending in '\'.
  const std::string& Path() const { return path_; }
  // A subfolder, created, ending in '\'.
  std::string Sub(const std::string& name) const {
    std::string sub = path_ + name + "\\";
    CreateDirectoryW(ToWide(sub).c_str(), nullptr);
    return sub;
  }

 private:
  static void Remove(const std::wstring& folder) {
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + L"*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
      do {
        std::wstring name = data.cFileName;
        if (name == L"." || name == L"..") continue;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
          Remove(folder + name + L"\\");
        } else {
          SetFileAttributesW((folder + name).c_str(), FILE_ATTRIBUTE_NORMAL);
          DeleteFileW((folder + name).c_str());
        }
      } while (FindNextFileW(find, &data));
      FindClose(find);
    }
    RemoveDirectoryW(folder.c_str());
  }

  std::string path_;
};

inline std::string ReadAll(const std::string& path) {
  std::string bytes;
  HANDLE file = CreateFileW(ToWide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return bytes;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
  CloseHandle(file);
  return bytes;
}

inline bool WriteAll(const std::string& path, const std::string& bytes) {
  HANDLE file = CreateFileW(ToWide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
            written == bytes.size();
  return CloseHandle(file) && ok;
}

inline bool Exists(const std::string& path) {
  return GetFileAttributesW(ToWide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace orvex::autoupdate::test_support
