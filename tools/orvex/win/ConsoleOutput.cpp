// orvex.exe's side of the output layer: a console gets wide characters, so the Japanese texts read
// right whatever the console's code page; anything redirected gets bytes.
#include <windows.h>

#include <cstdio>

#include "Output.h"

namespace orvex::cli {

namespace {

HANDLE HandleOf(FILE* stream) {
  return GetStdHandle(stream == stderr ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
}

}  // namespace

bool StreamIsConsole(FILE* stream) {
  DWORD mode = 0;
  HANDLE handle = HandleOf(stream);
  return handle != nullptr && handle != INVALID_HANDLE_VALUE && GetFileType(handle) == FILE_TYPE_CHAR &&
         GetConsoleMode(handle, &mode) != 0;
}

bool LocaleIsUtf8() {
  return false;
}

bool WriteConsoleText(FILE* stream, const std::u16string& text) {
  HANDLE handle = HandleOf(stream);
  const wchar_t* data = reinterpret_cast<const wchar_t*>(text.data());
  size_t left = text.size();
  bool first = true;
  while (left > 0) {
    DWORD chunk = left > 8192 ? 8192 : static_cast<DWORD>(left);
    DWORD written = 0;
    // Refused at once: the caller writes bytes instead. Refused later: the rest is not repeated.
    if (!WriteConsoleW(handle, data, chunk, &written, nullptr) || written == 0) return !first;
    first = false;
    data += written;
    left -= written;
  }
  return true;
}

}  // namespace orvex::cli
