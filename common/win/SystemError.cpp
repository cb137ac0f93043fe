#include "SystemError.h"

#include "Format.h"
#include "Handles.h"
#include "Wide.h"

namespace orvex {

std::string SystemErrorText(DWORD code) {
  wchar_t* buffer = nullptr;
  DWORD n = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
      code, MAKELANGID(LANG_NEUTRAL, SUBLANG_SYS_DEFAULT), reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  UniqueLocal owner(buffer);
  if (n == 0 || buffer == nullptr) return std::string();
  return FromWide(std::wstring_view(buffer, n));
}

std::string SystemErrorLine(DWORD code) {
  return Format("Err = %d : %s", static_cast<int>(code), SystemErrorText(code).c_str());
}

}  // namespace orvex
