#include "ThemeProbe.h"

#include <windows.h>

#include <atomic>

#include "Handles.h"
#include "Wide.h"

namespace orvex {
namespace {
std::atomic<bool> theme_active{false};
}

bool ProbeThemeActive(const char* library) {
  bool active = false;
  // Only from the system folder: a UxTheme.dll beside the program is never loaded.
  UniqueModule module(LoadLibraryExW(ToWide(library).c_str(), nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
  if (module) {
    using IsThemeActiveFunction = BOOL(WINAPI*)();
    auto function = reinterpret_cast<IsThemeActiveFunction>(
        reinterpret_cast<void*>(GetProcAddress(module.Get(), "IsThemeActive")));
    active = function != nullptr && function() != FALSE;
  }
  theme_active = active;
  return active;
}

bool ThemeActive() {
  return theme_active;
}

}  // namespace orvex
