// OrvexKeys.exe: writes the debug levels it is given into the registry, for OrvexFlash when the
// user may not write them. Exit codes: 0 every value written, 1 bad parameters, 2 a value could
// not be written (the reason on stderr).
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "ChildReporter.h"
#include "Handles.h"
#include "KeysCommand.h"
#include "SystemError.h"
#include "Wide.h"

using namespace orvex;
using namespace orvex::sim;

namespace {

void Fail(const std::string& text) {
  // The console's code page may not be 932: the message goes out as UTF-16 where it can.
  std::wstring line = ToWide("OrvexKeys: " + text + "\n");
  DWORD written = 0;
  HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
  if (GetConsoleMode(err, &written)) {
    WriteConsoleW(err, line.c_str(), static_cast<DWORD>(line.size()), &written, nullptr);
  } else {
    std::fprintf(stderr, "OrvexKeys: %s\n", text.c_str());
  }
}

}  // namespace

int main() {
  const std::vector<std::string> args = autoupdate::OwnCommandLineArguments();
  std::vector<KeysValue> values;
  std::string error;
  if (!ParseKeysArguments(args, &values, &error)) {
    Fail(error);
    return 1;
  }
  for (const KeysValue& v : values) {
    UniqueKey key;
    LONG result = RegOpenKeyExW(HKEY_LOCAL_MACHINE, ToWide(v.key).c_str(), 0, KEY_SET_VALUE, key.Put());
    if (result == ERROR_SUCCESS) {
      DWORD value = v.value;
      result = RegSetValueExW(key.Get(), ToWide(v.value_name).c_str(), 0, REG_DWORD,
                              reinterpret_cast<const BYTE*>(&value), sizeof value);
    }
    if (result != ERROR_SUCCESS) {
      std::string reason = SystemErrorLine(static_cast<DWORD>(result));
      while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r')) reason.pop_back();
      Fail("HKEY_LOCAL_MACHINE\\" + v.key + "\\" + v.value_name + ": " + reason);
      return 2;
    }
  }
  return 0;
}
