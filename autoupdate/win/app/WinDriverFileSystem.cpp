#include "WinDriverFileSystem.h"

#include <windows.h>

#include "SystemError.h"
#include "UpdateInfoFile.h"
#include "Wide.h"

namespace orvex::autoupdate {

namespace {

using DisableFn = BOOL(WINAPI*)(PVOID*);
using RevertFn = BOOL(WINAPI*)(PVOID);

template <typename T>
T Kernel32Function(const char* name) {
  HMODULE kernel = GetModuleHandleW(L"Kernel32.dll");
  return kernel ? reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(kernel, name))) : nullptr;
}

}  // namespace

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

bool RedirectionOff::Available() {
  return Kernel32Function<DisableFn>("Wow64DisableWow64FsRedirection") != nullptr &&
         Kernel32Function<RevertFn>("Wow64RevertWow64FsRedirection") != nullptr;
}

RedirectionOff::RedirectionOff() {
  if (!Available()) return;
  active_ = Kernel32Function<DisableFn>("Wow64DisableWow64FsRedirection")(&old_value_) != FALSE;
}

RedirectionOff::~RedirectionOff() {
  if (active_) Kernel32Function<RevertFn>("Wow64RevertWow64FsRedirection")(old_value_);
}

}  // namespace orvex::autoupdate
