// The system's open and save dialogs for one file, with code page 932 texts on our side.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace orvex {

struct FileDialogRequest {
  bool save = false;            // save dialog (asks before overwriting) or open dialog (file must exist)
  std::string start_path;       // initial file name, possibly with folder and pattern
  std::string filter;           // "text|pattern|text|pattern||"
  std::string default_extension;
};

// The chosen path, or nothing when the user cancelled (or the dialog could not be shown).
std::optional<std::string> AskFileName(HWND owner, const FileDialogRequest& request);

// The filter as the system takes it: every '|' becomes a NUL.
std::wstring FilterForSystem(const std::string& filter);

}  // namespace orvex
