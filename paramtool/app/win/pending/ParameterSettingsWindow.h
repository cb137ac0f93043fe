// Placeholder until the settings window joins the tree (paramtool/editor): the interface the main
// window is written against, with a window that cannot be opened. Only the build uses it while
// paramtool/editor is missing; CMake takes the real one as soon as it is there.
#pragma once

#include <windows.h>

#include "Dialog.h"
#include "ParameterDefinition.h"
#include "ParameterImage.h"

namespace orvex {

inline constexpr UINT WM_SETTINGS_CLOSED = WM_APP + 0x300;

inline bool InstallSettingsWindowKeys() { return true; }
inline void RemoveSettingsWindowKeys() {}

class ParameterSettingsWindow : public Dialog {
 public:
  explicit ParameterSettingsWindow(int command_block) : command_block_(command_block) {}
  bool Open(HINSTANCE, HWND, const ParameterDefinition*, ParameterImage*) { return false; }
  bool IsOpen() const { return hwnd() != nullptr; }
  void Reload(const BlockImage&) {}
  void Store() {}
  bool changed() const { return false; }
  bool applied() const { return applied_; }
  void set_applied(bool applied) { applied_ = applied; }
  void SetEnabled(bool) {}
  int command_block() const { return command_block_; }
  void Destroy() {}

 private:
  int command_block_;
  bool applied_ = false;
};

}  // namespace orvex
