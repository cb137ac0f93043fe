// The floor of a program's start under Wine: the least a dialog program built as the suite's are
// does before its first window shows (the runtime, the common controls, a dialog from its
// resource). orvex_probe times it beside the three programs.
#include <windows.h>
// after windows.h
#include <commctrl.h>

static INT_PTR CALLBACK MinimalProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM) {
  if (message == WM_INITDIALOG) return TRUE;
  if (message == WM_COMMAND && LOWORD(wparam) == IDCANCEL) {
    EndDialog(hwnd, 0);
    return TRUE;
  }
  return FALSE;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);
  return static_cast<int>(DialogBoxParamW(instance, MAKEINTRESOURCEW(100), nullptr, MinimalProc, 0));
}
