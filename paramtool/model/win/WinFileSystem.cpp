// The Windows file system: W functions, paths converted from code page 932.
#include <windows.h>

#include <atomic>

#include "FileSystem.h"
#include "Cp932Text.h"
#include "Format.h"
#include "Wide.h"

namespace orvex {
namespace {

class WinInputFile : public InputFile {
 public:
  explicit WinInputFile(HANDLE file) : file_(file) {}
  ~WinInputFile() override { CloseHandle(file_); }
  bool Read(void* buffer, size_t size, size_t* got, int* error) override {
    DWORD n = 0;
    const DWORD want = size > 0x10000000 ? 0x10000000 : static_cast<DWORD>(size);
    if (!ReadFile(file_, buffer, want, &n, nullptr)) {
      *got = 0;
      *error = static_cast<int>(GetLastError());
      return false;
    }
    *got = n;
    return true;
  }

 private:
  HANDLE file_;
};

class WinOutputFile : public OutputFile {
 public:
  explicit WinOutputFile(HANDLE file) : file_(file) {}
  ~WinOutputFile() override {
    if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
  }
  bool Write(const void* data, size_t size, int* error) override {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
      const DWORD want = size > 0x10000000 ? 0x10000000 : static_cast<DWORD>(size);
      DWORD n = 0;
      SetLastError(0);
      if (!WriteFile(file_, p, want, &n, nullptr) || n == 0) {
        *error = static_cast<int>(GetLastError());
        return false;
      }
      p += n;
      size -= n;
    }
    return true;
  }
  bool Close(int* error) override {
    bool ok = FlushFileBuffers(file_) != 0;
    if (!ok) *error = static_cast<int>(GetLastError());
    HANDLE file = file_;
    file_ = INVALID_HANDLE_VALUE;
    if (!CloseHandle(file) && ok) {
      *error = static_cast<int>(GetLastError());
      ok = false;
    }
    return ok;
  }

 private:
  HANDLE file_;
};

// Everything up to and including the last backslash or slash.
std::string FolderOf(const std::string& path) {
  size_t a = FindLastChar(path, '\\');
  size_t b = FindLastChar(path, '/');
  size_t last = a == kNotFound ? b : (b == kNotFound ? a : (a > b ? a : b));
  size_t colon = FindLastChar(path, ':');
  if (last == kNotFound || (colon != kNotFound && colon > last)) last = colon;
  return last == kNotFound ? std::string() : path.substr(0, last + 1);
}

class WinFileSystem : public FileSystem {
 public:
  std::unique_ptr<InputFile> OpenRead(const std::string& path, int* error) override {
    HANDLE file = CreateFileW(ToWide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      *error = static_cast<int>(GetLastError());
      return nullptr;
    }
    return std::make_unique<WinInputFile>(file);
  }

  std::unique_ptr<OutputFile> CreateTemporary(const std::string& target, std::string* temp_path,
                                              int* error) override {
    static std::atomic<unsigned> counter{0};
    const std::string folder = FolderOf(target);
    DWORD last_error = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
      // A .tmp name, so that no *.prg list ever shows a half-written file.
      std::string path = folder + Format("~prm%lu_%u.tmp", GetCurrentProcessId(), counter++);
      HANDLE file = CreateFileW(ToWide(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
      if (file != INVALID_HANDLE_VALUE) {
        *temp_path = path;
        return std::make_unique<WinOutputFile>(file);
      }
      last_error = GetLastError();
      if (last_error != ERROR_FILE_EXISTS && last_error != ERROR_ALREADY_EXISTS) break;
    }
    *error = static_cast<int>(last_error);
    return nullptr;
  }

  bool Replace(const std::string& from, const std::string& to, int* error) override {
    if (IsReadOnly(to)) {
      *error = ReadOnlyError();
      return false;
    }
    if (!MoveFileExW(ToWide(from).c_str(), ToWide(to).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      *error = static_cast<int>(GetLastError());
      return false;
    }
    return true;
  }

  bool Remove(const std::string& path) override { return DeleteFileW(ToWide(path).c_str()) != 0; }

  int ReadOnlyError() const override { return ERROR_ACCESS_DENIED; }

  bool IsReadOnly(const std::string& path) override {
    const DWORD attributes = GetFileAttributesW(ToWide(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
  }
};

}  // namespace

FileSystem& PlatformFileSystem() {
  static WinFileSystem file_system;
  return file_system;
}

}  // namespace orvex
