#include "LogFile.h"

#include <windows.h>

#include "Handles.h"
#include "SystemErrorCodes.h"
#include "Wide.h"

namespace orvex::autoupdate {

namespace {

uint32_t LastError() {
  DWORD error = GetLastError();
  return error != 0 ? error : kErrorInvalidParameter;
}

}  // namespace

LogTime CurrentLogTime() {
  SYSTEMTIME t;
  GetLocalTime(&t);
  LogTime time;
  time.year = t.wYear;
  time.month = t.wMonth;
  time.day = t.wDay;
  time.hour = t.wHour;
  time.minute = t.wMinute;
  time.second = t.wSecond;
  time.millisecond = t.wMilliseconds;
  return time;
}

uint32_t SaveLogFile(const std::string& path, const std::vector<std::string>& items) {
  UniqueFile file(CreateFileW(ToWide(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file) return LastError();
  uint32_t error = 0;
  LARGE_INTEGER size = {};
  SetLastError(0);
  if (!GetFileSizeEx(file.Get(), &size)) {
    error = LastError();
  } else if (size.QuadPart > 0) {
    LARGE_INTEGER zero = {};
    if (!SetFilePointerEx(file.Get(), zero, nullptr, FILE_END)) error = LastError();
  }
  for (size_t i = 0; error == 0 && i < items.size(); ++i) {
    std::string line = items[i] + "\r\n";
    DWORD written = 0;
    SetLastError(0);
    if (!WriteFile(file.Get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr) ||
        written != line.size()) {
      error = LastError();
    }
  }
  if (!CloseHandle(file.Release()) && error == 0) error = LastError();
  return error;
}

}  // namespace orvex::autoupdate
