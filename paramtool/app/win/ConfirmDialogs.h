// The two questions of the main window that need more than a message box: the read confirmation
// with its "read again from the device" box (dialog 116) and the connection confirmation
// (dialog 117).
#pragma once

#include <windows.h>

#include "Dialog.h"

namespace orvex {

// Ends with 6 (yes, read again from the device), 7 (yes, restore the state as read) or
// IDCANCEL (no).
class ReadConfirmDialog : public Dialog {
 public:
  static constexpr INT_PTR kReadAgain = 6;
  static constexpr INT_PTR kRestore = 7;

  INT_PTR Run(HINSTANCE instance, HWND owner);

 protected:
  bool OnInit() override;
  bool OnCommand(int code, int id, HWND control) override;
};

// Ends with 6 (yes, read the parameters) or 2 (no).
class ConnectConfirmDialog : public Dialog {
 public:
  INT_PTR Run(HINSTANCE instance, HWND owner);

 protected:
  bool OnInit() override;
  bool OnCommand(int code, int id, HWND control) override;
};

}  // namespace orvex
