// The system settings dialog (121): the list filter's "show all files" box and the debug levels
// of the driver and the library.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "DebugLevels.h"
#include "Dialog.h"
#include "Handles.h"

namespace orvex::flash {

class SystemSettingsDialog : public Dialog {
 public:
  SystemSettingsDialog(DebugLevelSystem& system, bool show_all, std::string program_folder);

  // IDOK, IDCANCEL, or IDYES when the user wants the hardware reset that makes the levels count.
  INT_PTR Run(HWND parent, HINSTANCE instance = nullptr);
  // The box's setting as the dialog closed (the old one after a failure or a refusal).
  bool ShowAll() const { return show_all_; }

 protected:
  bool OnInit() override;
  bool OnCommand(int code, int id, HWND control) override;
  void OnOk() override;

 private:
  void SetEditFont();
  void CloseKeepingOldSetting();

  DebugLevelSystem& system_;
  const bool old_show_all_;
  bool show_all_;
  std::string program_folder_;
  uint32_t driver_level_ = 0;
  uint32_t library_level_ = 0;
  UniqueFont edit_font_;
};

}  // namespace orvex::flash
