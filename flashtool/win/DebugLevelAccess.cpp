#include "DebugLevelAccess.h"

#include <shellapi.h>

#include <vector>

#include "CVistaFileDlg.h"
#include "DeviceChannel.h"
#include "Handles.h"
#include "Wide.h"

namespace orvex::flash {

uint32_t ReadDebugLevel(const char* key_path, uint32_t* level) {
  UniqueKey key;
  LONG error = RegOpenKeyExW(HKEY_LOCAL_MACHINE, ToWide(key_path).c_str(), 0, KEY_QUERY_VALUE, key.Put());
  if (error != ERROR_SUCCESS) return static_cast<uint32_t>(error);
  const std::wstring name = ToWide(kDebugLevelValue);
  DWORD type = 0, size = 0;
  error = RegQueryValueExW(key.Get(), name.c_str(), nullptr, &type, nullptr, &size);
  if (error != ERROR_SUCCESS) return static_cast<uint32_t>(error);
  if (type == REG_DWORD && size == sizeof(DWORD)) {
    DWORD value = 0;
    error = RegQueryValueExW(key.Get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    if (error != ERROR_SUCCESS) return static_cast<uint32_t>(error);
    *level = value;
    return 0;
  }
  if (type == REG_SZ && size <= 4096) {
    std::vector<wchar_t> text(size / sizeof(wchar_t) + 1, L'\0');
    error = RegQueryValueExW(key.Get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &size);
    if (error != ERROR_SUCCESS) return static_cast<uint32_t>(error);
    if (auto value = ParseLevelText(FromWide(text.data()))) {
      *level = *value;
      return 0;
    }
  }
  return ERROR_INVALID_DATA;
}

uint32_t WriteDebugLevel(const char* key_path, uint32_t level) {
  UniqueKey key;
  LONG error = RegOpenKeyExW(HKEY_LOCAL_MACHINE, ToWide(key_path).c_str(), 0, KEY_SET_VALUE, key.Put());
  if (error != ERROR_SUCCESS) return static_cast<uint32_t>(error);
  DWORD value = level;
  error = RegSetValueExW(key.Get(), ToWide(kDebugLevelValue).c_str(), 0, REG_DWORD,
                         reinterpret_cast<const BYTE*>(&value), sizeof value);
  return static_cast<uint32_t>(error);
}

uint32_t DebugLevelAccess::ReadRegistry(uint32_t* driver_level, uint32_t* library_level) {
  uint32_t error = ReadDebugLevel(kDriverLevelKey, driver_level);
  return error != 0 ? error : ReadDebugLevel(kLibraryLevelKey, library_level);
}

bool DebugLevelAccess::DeviceAttached() { return channel_ != nullptr && channel_->ChannelStateAt(0) == 1; }

uint32_t DebugLevelAccess::SendToDriver(bool driver, uint32_t level) {
  SetLastError(ERROR_SUCCESS);
  if (channel_->SetDriverDebug(driver, level)) return 0;
  DWORD error = GetLastError();
  return error != 0 ? error : ERROR_GEN_FAILURE;
}

uint32_t DebugLevelAccess::DriverVersion() { return channel_->Versions(nullptr, nullptr, nullptr); }

uint32_t DebugLevelAccess::WriteRegistry(uint32_t driver_level, uint32_t library_level) {
  wchar_t seam[8] = {};
  if (GetEnvironmentVariableW(kRegistryDeniedSeam, seam, 8) == 1 && seam[0] == L'1') return ERROR_ACCESS_DENIED;
  uint32_t error = WriteDebugLevel(kDriverLevelKey, driver_level);
  return error != 0 ? error : WriteDebugLevel(kLibraryLevelKey, library_level);
}

bool DebugLevelAccess::ElevationAvailable() {
  const DWORD version = WindowsVersion();
  return version == 0 || version >= 0x0600;
}

DebugLevelSystem::HelperRun DebugLevelAccess::RunElevated(const std::string& file, const std::string& parameters) {
  HelperRun run;
  const std::wstring wide_file = ToWide(file);
  const std::wstring wide_parameters = ToWide(parameters);
  SHELLEXECUTEINFOW info = {};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_NOCLOSEPROCESS;
  info.lpVerb = L"runas";
  info.lpFile = wide_file.c_str();
  info.lpParameters = wide_parameters.c_str();
  info.nShow = SW_SHOWNORMAL;
  if (!ShellExecuteExW(&info)) {
    run.error = GetLastError();
    return run;
  }
  run.started = true;
  if (info.hProcess == nullptr) return run;
  UniqueHandle process(info.hProcess);
  run.waited = true;
  WaitForSingleObject(process.Get(), INFINITE);
  DWORD code = 1;
  if (!GetExitCodeProcess(process.Get(), &code)) code = 1;
  run.exit_code = code;
  return run;
}

}  // namespace orvex::flash
