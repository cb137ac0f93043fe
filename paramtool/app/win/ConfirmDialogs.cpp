#include "ConfirmDialogs.h"

#include "ToolIds.h"

namespace orvex {
namespace {

void ShowQuestionIcon(Dialog& dialog) {
  dialog.SendItem(IDC_CONFIRM_ICON, STM_SETICON, reinterpret_cast<WPARAM>(LoadIconW(nullptr, IDI_QUESTION)));
  MessageBeep(MB_ICONQUESTION);
}

}  // namespace

INT_PTR ReadConfirmDialog::Run(HINSTANCE instance, HWND owner) {
  return RunModal(instance, IDD_READ_CONFIRM, owner);
}

bool ReadConfirmDialog::OnInit() {
  ShowQuestionIcon(*this);
  Check(IDC_READ_AGAIN, false);
  return true;
}

bool ReadConfirmDialog::OnCommand(int code, int id, HWND control) {
  if (id == IDYES) {
    End(IsChecked(IDC_READ_AGAIN) ? kReadAgain : kRestore);
    return true;
  }
  return Dialog::OnCommand(code, id, control);
}

INT_PTR ConnectConfirmDialog::Run(HINSTANCE instance, HWND owner) {
  return RunModal(instance, IDD_CONNECT_CONFIRM, owner);
}

bool ConnectConfirmDialog::OnInit() {
  ShowQuestionIcon(*this);
  return true;
}

bool ConnectConfirmDialog::OnCommand(int code, int id, HWND control) {
  if (id == IDYES) {
    End(IDYES);
    return true;
  }
  return Dialog::OnCommand(code, id, control);
}

}  // namespace orvex
