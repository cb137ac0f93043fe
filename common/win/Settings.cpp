#include "Settings.h"

#include <vector>

#include "Handles.h"
#include "Wide.h"

namespace orvex {
namespace {

UniqueKey OpenForRead(const std::wstring& path) {
  UniqueKey key;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_QUERY_VALUE, key.Put()) != ERROR_SUCCESS)
    key.Reset();
  return key;
}

UniqueKey OpenForWrite(const std::wstring& path) {
  UniqueKey key;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.Put(),
                      nullptr) != ERROR_SUCCESS) {
    key.Reset();
  }
  return key;
}

bool Write(const std::wstring& path, std::string_view name, DWORD type, const void* data, DWORD size) {
  UniqueKey key = OpenForWrite(path);
  return key && RegSetValueExW(key.Get(), ToWide(name).c_str(), 0, type, static_cast<const BYTE*>(data),
                               size) == ERROR_SUCCESS;
}

}  // namespace

Settings::Settings(std::string_view program)
    : key_path_(L"Software\\Orvex\\" + ToWide(program) + L"\\Settings") {}

int Settings::GetInt(std::string_view name, int default_value) const {
  int value = -1;
  if (UniqueKey key = OpenForRead(key_path_)) {
    DWORD type = 0;
    DWORD data = 0;
    DWORD size = sizeof(data);
    if (RegQueryValueExW(key.Get(), ToWide(name).c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&data),
                         &size) == ERROR_SUCCESS &&
        type == REG_DWORD && size == sizeof(data)) {
      value = static_cast<int>(data);
    }
  }
  if (value != -1) return value;
  SetInt(name, default_value);
  return default_value;
}

std::string Settings::GetText(std::string_view name, std::string_view default_value) const {
  std::wstring value;
  if (UniqueKey key = OpenForRead(key_path_)) {
    std::wstring wname = ToWide(name);
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExW(key.Get(), wname.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
        (type == REG_SZ || type == REG_EXPAND_SZ) && size > 0) {
      // Room for a terminator the stored value may lack.
      std::vector<wchar_t> buf(size / sizeof(wchar_t) + 1, L'\0');
      if (RegQueryValueExW(key.Get(), wname.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buf.data()),
                           &size) == ERROR_SUCCESS) {
        value.assign(buf.data());
      }
    }
  }
  if (!value.empty()) return FromWide(value);
  SetText(name, default_value);
  return std::string(default_value);
}

bool Settings::SetInt(std::string_view name, int value) const {
  DWORD data = static_cast<DWORD>(value);
  return Write(key_path_, name, REG_DWORD, &data, sizeof(data));
}

bool Settings::SetText(std::string_view name, std::string_view value) const {
  std::wstring wide = ToWide(value);
  return Write(key_path_, name, REG_SZ, wide.c_str(),
               static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t)));
}

}  // namespace orvex
