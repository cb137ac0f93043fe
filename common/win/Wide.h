// The one place where code page 932 text meets the UTF-16 of the W functions. The code page is
// stated explicitly, so the programs behave the same on any Windows display language.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace orvex {

constexpr UINT kCodePage = 932;

std::wstring ToWide(std::string_view cp932);
std::string FromWide(std::wstring_view utf16);

// Window text in code page 932.
std::string GetWindowTextA932(HWND hwnd);
bool SetWindowTextA932(HWND hwnd, std::string_view text);
std::string GetDlgItemTextA932(HWND dialog, int id);
bool SetDlgItemTextA932(HWND dialog, int id, std::string_view text);

}  // namespace orvex
