#include "Wide.h"

#include <vector>

namespace orvex {

std::wstring ToWide(std::string_view text) {
  if (text.empty()) return std::wstring();
  int n = MultiByteToWideChar(kCodePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  if (n <= 0) return std::wstring();
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(kCodePage, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
  return out;
}

std::string FromWide(std::wstring_view text) {
  if (text.empty()) return std::string();
  int n = WideCharToMultiByte(kCodePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  if (n <= 0) return std::string();
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(kCodePage, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
  return out;
}

std::string GetWindowTextA932(HWND hwnd) {
  int n = GetWindowTextLengthW(hwnd);
  if (n <= 0) return std::string();
  std::vector<wchar_t> buf(static_cast<size_t>(n) + 1);
  int got = GetWindowTextW(hwnd, buf.data(), n + 1);
  return FromWide(std::wstring_view(buf.data(), got > 0 ? static_cast<size_t>(got) : 0));
}

bool SetWindowTextA932(HWND hwnd, std::string_view text) {
  return SetWindowTextW(hwnd, ToWide(text).c_str()) != FALSE;
}

std::string GetDlgItemTextA932(HWND dialog, int id) { return GetWindowTextA932(GetDlgItem(dialog, id)); }

bool SetDlgItemTextA932(HWND dialog, int id, std::string_view text) {
  return SetDlgItemTextW(dialog, id, ToWide(text).c_str()) != FALSE;
}

}  // namespace orvex
