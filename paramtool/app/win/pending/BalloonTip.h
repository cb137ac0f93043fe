// Placeholder until the balloon joins the tree (paramtool/editor); see ParameterSettingsWindow.h.
#pragma once

#include <windows.h>

#include <string_view>

namespace orvex {

class BalloonTip {
 public:
  void SetMargins(int = -1, int = -1, int = -1, int = -1) {}
  bool Show(HWND, std::string_view, int, int, bool, UINT) {
    shown_ = true;
    return true;
  }
  void Hide() { shown_ = false; }
  bool IsShown() const { return shown_; }

 private:
  bool shown_ = false;
};

}  // namespace orvex
