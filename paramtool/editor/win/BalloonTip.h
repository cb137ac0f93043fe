// A speech-balloon hint: a pale-yellow box with a black outline and a tail rising from its top
// edge, shown as a child window of a parent at a point of its client area, with an optional
// close button and an optional auto-close time.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "BalloonShape.h"
#include "Handles.h"

namespace orvex {

class BalloonTip {
 public:
  static constexpr int kCloseButtonId = 1000;

  BalloonTip() = default;
  ~BalloonTip() { Hide(); }
  BalloonTip(const BalloonTip&) = delete;
  BalloonTip& operator=(const BalloonTip&) = delete;

  // Shows the balloon with its top-left corner at (x, y) of the parent's client area. When it
  // is already showing it is only repainted. auto_close_ms 0 keeps it until Hide or its close
  // button. False when the window cannot be made.
  bool Show(HWND parent, std::string_view text, int x, int y, bool close_button, UINT auto_close_ms);
  void Hide();
  bool IsShown() const { return hwnd_ != nullptr; }
  HWND hwnd() const { return hwnd_; }

  // -1 keeps a value. Takes effect at the next Show that makes a window.
  void SetMargins(int margin = -1, int gap = -1, int tail_x = -1, int tail_height = -1);
  const BalloonMargins& margins() const { return margins_; }

 private:
  static bool RegisterWindowClass();
  static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  void Paint(HWND hwnd);

  HWND hwnd_ = nullptr;
  std::wstring text_;
  BalloonMargins margins_;
  BalloonLayout layout_;
  UniqueFont font_;
};

}  // namespace orvex
