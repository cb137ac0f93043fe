// Base of every dialog window: a dialog made from a template in the resources, modal or
// modeless. One static dialog procedure keeps `this` from WM_INITDIALOG on and calls the virtual
// handlers; the window's data lives in the derived class's members. Texts are code page 932.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

namespace orvex {

class Dialog {
 public:
  Dialog() = default;
  // A modeless window still open is destroyed without calling the handlers.
  virtual ~Dialog();
  Dialog(const Dialog&) = delete;
  Dialog& operator=(const Dialog&) = delete;

  // Runs the dialog modally; returns the result given to End, or -1 when it cannot be created.
  INT_PTR RunModal(HINSTANCE instance, int template_id, HWND parent);
  // Creates the dialog modeless (shown when its template has WS_VISIBLE); false on failure.
  bool Create(HINSTANCE instance, int template_id, HWND parent);
  // Ends a modal dialog with the result, or destroys a modeless one.
  void End(INT_PTR result);

  HWND hwnd() const { return hwnd_; }
  HINSTANCE instance() const { return instance_; }
  // The window existed at some point (RunModal's -1 is also a result a dialog may end with).
  bool WasCreated() const { return created_; }
  bool IsModal() const { return modal_; }

  std::string GetText() const;
  bool SetText(std::string_view text);
  HWND Item(int id) const { return GetDlgItem(hwnd_, id); }
  std::string GetItemText(int id) const;
  bool SetItemText(int id, std::string_view text);
  std::optional<int> GetItemInt(int id) const;
  bool SetItemInt(int id, int value);
  bool IsChecked(int id) const;
  void Check(int id, bool checked = true);
  void Enable(int id, bool enable = true);
  void Show(int id, bool show = true);
  LRESULT SendItem(int id, UINT message, WPARAM wparam = 0, LPARAM lparam = 0) const;

  // Who answers F1 (WM_HELP) in a dialog that does not answer it itself: called with the dialog
  // and the template it was made from. One for the whole program; nullptr for nobody.
  using HelpRequest = void (*)(HWND dialog, int template_id);
  static void SetHelpRequest(HelpRequest request);
  int template_id() const { return template_id_; }

  // For a message loop that serves modeless dialogs: keyboard navigation inside this one.
  bool TranslateDialogKeys(MSG* msg) const;

 protected:
  // Return false when the handler set the focus itself.
  virtual bool OnInit() { return true; }
  // Buttons, menus and control notifications; the default maps IDOK and IDCANCEL to OnOk and
  // OnCancel. Return true when handled.
  virtual bool OnCommand(int code, int id, HWND control);
  virtual bool OnNotify(int /*id*/, NMHDR* /*header*/, LRESULT& /*result*/) { return false; }
  virtual bool OnTimer(UINT_PTR /*timer_id*/) { return false; }
  // The close box and Alt+F4; the default is the cancel action.
  virtual void OnClose() { OnCancel(); }
  virtual void OnOk() { End(IDOK); }
  virtual void OnCancel() { End(IDCANCEL); }
  // The window is going away; its controls still exist.
  virtual void OnDestroy() {}
  // Every other message (application messages, WM_SYSCOMMAND, WM_CONTEXTMENU, ...). Return true
  // when handled, with the message's result in `result`.
  virtual bool OnMessage(UINT /*message*/, WPARAM /*wparam*/, LPARAM /*lparam*/, LRESULT& /*result*/) {
    return false;
  }

 private:
  static INT_PTR CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  INT_PTR Dispatch(UINT message, WPARAM wparam, LPARAM lparam);
  INT_PTR Reply(UINT message, LRESULT result);

  HWND hwnd_ = nullptr;
  HINSTANCE instance_ = nullptr;
  int template_id_ = 0;
  bool modal_ = false;
  bool created_ = false;
};

// For a program whose main window could not be made (no display, no window station): says so on
// the standard error, where a console or a log that started it can read it, since no box can be
// shown, and gives the exit code the program should end with.
int ReportMainWindowFailure(const char* program, DWORD error);

}  // namespace orvex
