#include "HelpFile.h"

#include "Format.h"
#include "ShowMessage.h"
#include "ToolTexts.h"
#include "Wide.h"

namespace orvex {
namespace {

constexpr UINT kDisplayTopic = 0x0000;  // HH_DISPLAY_TOPIC
constexpr UINT kCloseAll = 0x0012;      // HH_CLOSE_ALL
using HtmlHelpFunction = HWND(WINAPI*)(HWND, const wchar_t*, UINT, DWORD_PTR);

HtmlHelpFunction Viewer(HMODULE module) {
  if (module == nullptr) return nullptr;
  return reinterpret_cast<HtmlHelpFunction>(reinterpret_cast<void*>(GetProcAddress(module, "HtmlHelpW")));
}

}  // namespace

HelpFile::~HelpFile() {
  if (HtmlHelpFunction help = Viewer(viewer_)) help(nullptr, nullptr, kCloseAll, 0);
  if (viewer_ != nullptr) FreeLibrary(viewer_);
}

void HelpFile::Show(HWND owner) {
  const std::wstring wide = ToWide(path_);
  bool shown = false;
  // A file that is not there is never handed to the viewer, which may open an empty window.
  if (GetFileAttributesW(wide.c_str()) != INVALID_FILE_ATTRIBUTES) {
    if (viewer_ == nullptr) viewer_ = LoadLibraryExW(L"hhctrl.ocx", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (HtmlHelpFunction help = Viewer(viewer_)) shown = help(owner, wide.c_str(), kDisplayTopic, 0) != nullptr;
  }
  if (!shown) ShowFailure(owner, Format(texts::kHelpMissingText, path_.c_str()));
}

}  // namespace orvex
