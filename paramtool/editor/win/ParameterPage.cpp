#include "ParameterPage.h"

// after windows.h
#include <commctrl.h>

namespace orvex {

bool ParameterPage::OnCommand(int code, int /*id*/, HWND control) {
  // Never the dialog defaults: a page does not end on IDOK or IDCANCEL.
  if (control != nullptr) listener_->OnPageCommand(code, control);
  return true;
}

bool ParameterPage::OnNotify(int /*id*/, NMHDR* header, LRESULT& result) {
  if (header->code != TTN_GETDISPINFOW) return false;
  auto* info = reinterpret_cast<NMTTDISPINFOW*>(header);
  if ((info->uFlags & TTF_IDISHWND) == 0) return false;
  listener_->OnToolTipRequest(reinterpret_cast<HWND>(header->idFrom));
  // The help area shows the text; the tip itself stays empty and so never pops up.
  info->szText[0] = L'\0';
  info->lpszText = info->szText;
  result = 0;
  return true;
}

}  // namespace orvex
