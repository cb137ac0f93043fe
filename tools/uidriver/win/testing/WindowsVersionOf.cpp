#include "WindowsVersionOf.h"

#include <windows.h>

#include "Wide.h"

namespace orvex::uidriver {

WindowsVersionOf::WindowsVersionOf(const std::string& program_file_name, const std::string& version)
    : key_(L"Software\\Wine\\AppDefaults\\" + ToWide(program_file_name)) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, key_.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
      ERROR_SUCCESS) {
    return;
  }
  const std::wstring value = ToWide(version);
  set_ = RegSetValueExW(key, L"Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                        static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
  RegCloseKey(key);
}

WindowsVersionOf::~WindowsVersionOf() { RegDeleteTreeW(HKEY_CURRENT_USER, key_.c_str()); }

}  // namespace orvex::uidriver
