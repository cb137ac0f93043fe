#include "SystemSettingsDialog.h"

#include "FlashIds.h"
#include "Format.h"
#include "NumberText.h"
#include "ShowMessage.h"

namespace orvex::flash {

SystemSettingsDialog::SystemSettingsDialog(DebugLevelSystem& system, bool show_all, std::string program_folder)
    : system_(system), old_show_all_(show_all), show_all_(show_all), program_folder_(std::move(program_folder)) {}

INT_PTR SystemSettingsDialog::Run(HWND parent, HINSTANCE instance) {
  return RunModal(instance ? instance : GetModuleHandleW(nullptr), IDD_FLASH_SETTINGS, parent);
}

bool SystemSettingsDialog::OnInit() {
  if (uint32_t error = system_.ReadRegistry(&driver_level_, &library_level_); error != 0) {
    ShowFailure(hwnd(), RegistryRefusedText(error));
    End(IDCANCEL);
    return true;
  }
  SetEditFont();
  SetItemText(IDC_SETTINGS_DRIVER, Format("%X", driver_level_));
  SetItemText(IDC_SETTINGS_LIBRARY, Format("%X", library_level_));
  Check(IDC_SETTINGS_SHOW_ALL, show_all_);
  Check(IDC_SETTINGS_PERMISSION, false);
  Enable(IDOK, false);
  return true;
}

// The levels in a fixed-pitch face one point above the dialog's font.
void SystemSettingsDialog::SetEditFont() {
  HFONT dialog_font = reinterpret_cast<HFONT>(SendMessageW(hwnd(), WM_GETFONT, 0, 0));
  LOGFONTW lf = {};
  if (dialog_font == nullptr || GetObjectW(dialog_font, sizeof lf, &lf) == 0) return;
  HDC dc = GetDC(hwnd());
  int dpi = dc ? GetDeviceCaps(dc, LOGPIXELSY) : 96;
  if (dc) ReleaseDC(hwnd(), dc);
  int points = MulDiv(lf.lfHeight < 0 ? -lf.lfHeight : lf.lfHeight, 72, dpi);
  lf.lfHeight = -MulDiv(points + 1, dpi, 72);
  lf.lfWidth = 0;
  lf.lfWeight = FW_NORMAL;
  lf.lfCharSet = SHIFTJIS_CHARSET;
  lf.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
  wcscpy_s(lf.lfFaceName, L"ＭＳ ゴシック");
  edit_font_.Reset(CreateFontIndirectW(&lf));
  if (!edit_font_) return;
  for (int id : {IDC_SETTINGS_DRIVER, IDC_SETTINGS_LIBRARY})
    SendItem(id, WM_SETFONT, reinterpret_cast<WPARAM>(edit_font_.Get()), TRUE);
}

bool SystemSettingsDialog::OnCommand(int code, int id, HWND control) {
  if (id == IDC_SETTINGS_PERMISSION) {
    Enable(IDOK, IsChecked(IDC_SETTINGS_PERMISSION));
    return true;
  }
  return Dialog::OnCommand(code, id, control);
}

void SystemSettingsDialog::CloseKeepingOldSetting() {
  show_all_ = old_show_all_;
  End(IDCANCEL);
}

void SystemSettingsDialog::OnOk() {
  // OK is enabled only while the permission box is checked; Enter must not get around that.
  if (!IsChecked(IDC_SETTINGS_PERMISSION)) return;
  const uint32_t driver_level = HexValueLoose(GetItemText(IDC_SETTINGS_DRIVER));
  const uint32_t library_level = HexValueLoose(GetItemText(IDC_SETTINGS_LIBRARY));
  show_all_ = IsChecked(IDC_SETTINGS_SHOW_ALL);
  if (driver_level == driver_level_ && library_level == library_level_) {
    End(IDOK);
    return;
  }
  if (!AskYesNo(hwnd(), UpdateQuestionText())) {
    CloseKeepingOldSetting();
    return;
  }
  LevelWrite write = WriteDebugLevels(system_, driver_level, library_level, program_folder_);
  switch (DecideAfterWrite(write.status)) {
    case SettingsAfterWrite::kCloseOk:
      End(IDOK);
      return;
    case SettingsAfterWrite::kAskReset:
      End(AskYesNo(hwnd(), ResetQuestionText()) ? IDYES : IDOK);
      return;
    case SettingsAfterWrite::kShowRegistryError:
      ShowFailure(hwnd(), RegistryRefusedText(write.error));
      break;
    case SettingsAfterWrite::kShowUpdateError:
      ShowFailure(hwnd(), UpdateFailedText(write.status, write.error));
      break;
    case SettingsAfterWrite::kCloseQuietly:
      break;
  }
  CloseKeepingOldSetting();
}

}  // namespace orvex::flash
