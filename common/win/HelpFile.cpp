#include "HelpFile.h"

#include "Dialog.h"
#include "ShowMessage.h"
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

HelpFile* serving = nullptr;  // the program's one help file, for Dialog's F1

void ShowForDialog(HWND dialog, int dialog_id) {
  if (serving != nullptr) serving->Show(dialog, dialog_id);
}

}  // namespace

HelpFile::~HelpFile() {
  if (serving == this) {
    Dialog::SetHelpRequest(nullptr);
    serving = nullptr;
  }
  if (HtmlHelpFunction help = Viewer(viewer_)) help(nullptr, nullptr, kCloseAll, 0);
  if (viewer_ != nullptr) FreeLibrary(viewer_);
}

void HelpFile::ServeDialogs() {
  serving = this;
  Dialog::SetHelpRequest(ShowForDialog);
}

void HelpFile::Show(HWND owner, int dialog_id) {
  const std::wstring file = ToWide(path_);
  bool shown = false;
  // A file that is not there is never handed to the viewer, which may open an empty window.
  if (GetFileAttributesW(file.c_str()) != INVALID_FILE_ATTRIBUTES) {
    if (viewer_ == nullptr) viewer_ = LoadLibraryExW(L"hhctrl.ocx", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    const std::wstring target = ToWide(HelpTarget(path_, HelpTopic(book_, dialog_id)));
    if (HtmlHelpFunction help = Viewer(viewer_)) shown = help(owner, target.c_str(), kDisplayTopic, 0) != nullptr;
  }
  if (!shown) ShowFailure(owner, missing_text_);
}

}  // namespace orvex
