// Shared by the editor's Windows tests: a plain main window that records what the settings
// windows tell it, and bounded message pumps.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <utility>
#include <vector>

#include "Dialog.h"
#include "EditorTestIds.h"
#include "ParameterSettingsWindow.h"

namespace orvex::test {

inline HINSTANCE Instance() {
  return GetModuleHandleW(nullptr);
}

// Handles what is waiting, including posted messages, as a program's loop would.
inline void Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

// Pumps until the condition holds or the time is up; returns the condition.
inline bool PumpUntil(const std::function<bool()>& condition, DWORD limit_ms = 5000) {
  const ULONGLONG end = GetTickCount64() + limit_ms;
  while (!condition()) {
    if (GetTickCount64() >= end) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    Pump();
  }
  return true;
}

struct ClosedMessage {
  WPARAM block = 0;
  LPARAM window = 0;
};

// The main window's part: records WM_SETTINGS_CLOSED and destroys the window as the program
// does. Runs a script once its modal loop is up.
class MainStandIn : public Dialog {
 public:
  static constexpr UINT kStart = WM_APP + 1;
  static constexpr UINT kLater = WM_APP + 2;
  static constexpr UINT_PTR kSafetyTimer = 77;

  std::vector<ClosedMessage> closed;
  std::function<void(MainStandIn&)> script;  // once the window is up
  std::function<void(MainStandIn&)> later;   // on kLater

 protected:
  bool OnInit() override {
    // A modal run that a test forgets to end fails instead of hanging.
    if (IsModal()) SetTimer(hwnd(), kSafetyTimer, 20000, nullptr);
    if (script) PostMessageW(hwnd(), kStart, 0, 0);
    return true;
  }
  bool OnTimer(UINT_PTR id) override {
    if (id != kSafetyTimer) return false;
    End(-2);
    return true;
  }
  bool OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT&) override {
    if (message == kStart && script) {
      auto run = std::move(script);
      run(*this);
      return true;
    }
    if (message == kLater && later) {
      auto run = std::move(later);
      run(*this);
      return true;
    }
    if (message == WM_SETTINGS_CLOSED) {
      closed.push_back({wparam, lparam});
      reinterpret_cast<ParameterSettingsWindow*>(lparam)->Destroy();
      return true;
    }
    return false;
  }
};

}  // namespace orvex::test
