#include "FileDialog.h"

#include <commdlg.h>

#include <vector>

#include "Wide.h"

namespace orvex {

std::wstring FilterForSystem(const std::string& filter) {
  // Converted first: in code page 932 a '|' byte may be the second half of a character.
  std::wstring wide = ToWide(filter);
  for (wchar_t& c : wide) {
    if (c == L'|') c = L'\0';
  }
  wide.push_back(L'\0');
  return wide;
}

std::optional<std::string> AskFileName(HWND owner, const FileDialogRequest& request) {
  std::vector<wchar_t> file(32768, L'\0');
  std::wstring start = ToWide(request.start_path);
  if (start.size() < file.size()) std::copy(start.begin(), start.end(), file.begin());
  const std::wstring filter = FilterForSystem(request.filter);
  const std::wstring extension = ToWide(request.default_extension);

  OPENFILENAMEW ofn = {};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = owner;
  ofn.lpstrFilter = filter.c_str();
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = file.data();
  ofn.nMaxFile = static_cast<DWORD>(file.size());
  ofn.lpstrDefExt = extension.empty() ? nullptr : extension.c_str();
  ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR;
  ofn.Flags |= request.save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST;
  const BOOL chosen = request.save ? GetSaveFileNameW(&ofn) : GetOpenFileNameW(&ofn);
  if (!chosen) return std::nullopt;
  return FromWide(file.data());
}

}  // namespace orvex
