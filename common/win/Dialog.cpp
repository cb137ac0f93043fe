#include "Dialog.h"

#include <cstdio>

#include "Wide.h"

namespace orvex {
namespace {
Dialog::HelpRequest help_request = nullptr;
}  // namespace

void Dialog::SetHelpRequest(HelpRequest request) {
  help_request = request;
}

Dialog::~Dialog() {
  if (hwnd_ != nullptr && !modal_) {
    HWND hwnd = hwnd_;
    SetWindowLongPtrW(hwnd, DWLP_USER, 0);
    hwnd_ = nullptr;
    DestroyWindow(hwnd);
  }
}

INT_PTR Dialog::RunModal(HINSTANCE instance, int template_id, HWND parent) {
  if (hwnd_ != nullptr) return -1;
  instance_ = instance;
  template_id_ = template_id;
  modal_ = true;
  created_ = false;
  return DialogBoxParamW(instance, MAKEINTRESOURCEW(template_id), parent, Procedure,
                         reinterpret_cast<LPARAM>(this));
}

bool Dialog::Create(HINSTANCE instance, int template_id, HWND parent) {
  if (hwnd_ != nullptr) return false;
  instance_ = instance;
  template_id_ = template_id;
  modal_ = false;
  created_ = false;
  CreateDialogParamW(instance, MAKEINTRESOURCEW(template_id), parent, Procedure,
                     reinterpret_cast<LPARAM>(this));
  // Also false when the dialog ended itself while it was being set up.
  return hwnd_ != nullptr;
}

void Dialog::End(INT_PTR result) {
  if (hwnd_ == nullptr) return;
  if (modal_) {
    EndDialog(hwnd_, result);
  } else {
    DestroyWindow(hwnd_);
  }
}

std::string Dialog::GetText() const {
  return GetWindowTextA932(hwnd_);
}
bool Dialog::SetText(std::string_view text) {
  return SetWindowTextA932(hwnd_, text);
}
std::string Dialog::GetItemText(int id) const {
  return GetDlgItemTextA932(hwnd_, id);
}
bool Dialog::SetItemText(int id, std::string_view text) {
  return SetDlgItemTextA932(hwnd_, id, text);
}

std::optional<int> Dialog::GetItemInt(int id) const {
  BOOL ok = FALSE;
  int value = static_cast<int>(GetDlgItemInt(hwnd_, id, &ok, TRUE));
  if (!ok) return std::nullopt;
  return value;
}

bool Dialog::SetItemInt(int id, int value) {
  return SetDlgItemInt(hwnd_, id, static_cast<UINT>(value), TRUE) != FALSE;
}
bool Dialog::IsChecked(int id) const {
  return IsDlgButtonChecked(hwnd_, id) == BST_CHECKED;
}
void Dialog::Check(int id, bool checked) {
  CheckDlgButton(hwnd_, id, checked ? BST_CHECKED : BST_UNCHECKED);
}
void Dialog::Enable(int id, bool enable) {
  EnableWindow(Item(id), enable ? TRUE : FALSE);
}
void Dialog::Show(int id, bool show) {
  ShowWindow(Item(id), show ? SW_SHOW : SW_HIDE);
}

LRESULT Dialog::SendItem(int id, UINT message, WPARAM wparam, LPARAM lparam) const {
  return SendDlgItemMessageW(hwnd_, id, message, wparam, lparam);
}

bool Dialog::TranslateDialogKeys(MSG* msg) const {
  return hwnd_ != nullptr && IsDialogMessageW(hwnd_, msg) != FALSE;
}

bool Dialog::OnCommand(int /*code*/, int id, HWND /*control*/) {
  switch (id) {
    case IDOK:
      OnOk();
      return true;
    case IDCANCEL:
      OnCancel();
      return true;
    default:
      return false;
  }
}

INT_PTR CALLBACK Dialog::Procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  Dialog* self = nullptr;
  if (message == WM_INITDIALOG) {
    self = reinterpret_cast<Dialog*>(lparam);
    self->hwnd_ = hwnd;
    self->created_ = true;
    SetWindowLongPtrW(hwnd, DWLP_USER, lparam);
  } else {
    self = reinterpret_cast<Dialog*>(GetWindowLongPtrW(hwnd, DWLP_USER));
  }
  // Messages before WM_INITDIALOG (WM_SETFONT, ...) and after the owner let go.
  if (self == nullptr) return FALSE;
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(hwnd, DWLP_USER, 0);
    self->hwnd_ = nullptr;
    return FALSE;
  }
  return self->Dispatch(message, wparam, lparam);
}

INT_PTR Dialog::Dispatch(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG:
      return OnInit() ? TRUE : FALSE;
    case WM_COMMAND:
      return OnCommand(HIWORD(wparam), LOWORD(wparam), reinterpret_cast<HWND>(lparam)) ? TRUE : FALSE;
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(lparam);
      LRESULT result = 0;
      if (!OnNotify(static_cast<int>(header->idFrom), header, result)) return FALSE;
      return Reply(message, result);
    }
    case WM_TIMER:
      return OnTimer(static_cast<UINT_PTR>(wparam)) ? TRUE : FALSE;
    case WM_CLOSE:
      OnClose();
      return TRUE;
    case WM_DESTROY:
      OnDestroy();
      return TRUE;
    default: {
      LRESULT result = 0;
      if (OnMessage(message, wparam, lparam, result)) return Reply(message, result);
      if (message == WM_HELP && help_request != nullptr) {
        help_request(hwnd_, template_id_);
        return Reply(message, TRUE);
      }
      return FALSE;
    }
  }
}

// A dialog procedure hands most results back through DWLP_MSGRESULT; a few messages take the
// procedure's return value itself.
INT_PTR Dialog::Reply(UINT message, LRESULT result) {
  switch (message) {
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
      return static_cast<INT_PTR>(result);
    default:
      SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, result);
      return TRUE;
  }
}

int ReportMainWindowFailure(const char* program, DWORD error) {
  std::fprintf(stderr, "%s: the main window could not be created (system error %lu); is there a display?\n", program,
               static_cast<unsigned long>(error));
  std::fflush(stderr);
  return 3;
}

}  // namespace orvex
