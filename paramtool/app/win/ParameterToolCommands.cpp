// The main window's commands other than the file ones: device read and write, reset, channel
// assignment and selection, the settings windows, the system menu, closing.
#include <windows.h>
// after windows.h
#include <commctrl.h>

#include "AboutBox.h"
#include "ConfirmDialogs.h"
#include "FileVersion.h"
#include "ParameterToolDialog.h"
#include "ShowMessage.h"
#include "ToolIds.h"
#include "ToolTexts.h"

namespace orvex {

bool ParameterToolDialog::OnCommand(int code, int id, HWND control) {
  if (code != BN_CLICKED && code != 1) return false;  // buttons and menus; 1 from an accelerator
  if (id >= IDC_BLOCK_FIRST && id < IDC_BLOCK_FIRST + kBlockCount) {
    OnOpenSettings(id - IDC_BLOCK_FIRST + 1);
    return true;
  }
  if (id >= IDC_LETTER_FIRST && id < IDC_LETTER_FIRST + kBlockCount) {
    OnAssign(id - IDC_LETTER_FIRST + 1);
    return true;
  }
  switch (id) {
    case IDC_CLOSE:
      OnCloseCommand();
      return true;
    case IDC_DEVICE_WRITE:
      OnDeviceWrite();
      return true;
    case IDC_DEVICE_READ:
      OnDeviceRead();
      return true;
    case IDC_FILE_SAVE:
      OnFileSave();
      return true;
    case IDC_FILE_LOAD:
      OnFileLoad();
      return true;
    case IDC_DEFINITION_UPDATE:
      OnDefinitionUpdate();
      return true;
    case IDC_RESET_ALL:
      OnResetAll();
      return true;
    case IDC_SELECT_ALL:
      OnSelectAll();
      return true;
    case IDC_SELECT_SAME_BOARD:
      OnSelectSameBoard();
      return true;
    default:
      return Dialog::OnCommand(code, id, control);
  }
}

// ---- Settings windows ---------------------------------------------------------------------------

int ParameterToolDialog::PendingChanges() const {
  int pending = 0;
  for (const auto& window : settings_) {
    if (window->applied()) pending |= 1;
  }
  if (state_.modified()) pending |= 2;
  return pending;
}

bool ParameterToolDialog::Editing() const {
  for (const auto& window : settings_) {
    if (window->IsOpen() && window->changed()) return true;
  }
  return false;
}

bool ParameterToolDialog::AnySettingsWindowOpen() const {
  for (const auto& window : settings_) {
    if (window->IsOpen()) return true;
  }
  return false;
}

void ParameterToolDialog::SetSettingsWindowsApplied(bool applied) {
  for (auto& window : settings_) window->set_applied(applied);
}

void ParameterToolDialog::TakeOverImage() {
  for (int n = 1; n <= kBlockCount; ++n) {
    ParameterSettingsWindow& window = *settings_[static_cast<size_t>(n - 1)];
    window.set_applied(false);
    if (window.IsOpen()) window.Reload(state_.image().Block(n));
  }
}

bool ParameterToolDialog::Confirm(std::string_view prefix, std::string_view question, std::string_view caption) {
  const bool pending = PendingChanges() != 0 || Editing();
  return AskYesNo(hwnd(), ConfirmText(prefix, question, pending), caption);
}

void ParameterToolDialog::OnOpenSettings(int block) {
  ParameterSettingsWindow& window = *settings_[static_cast<size_t>(block - 1)];
  if (window.IsOpen()) {
    SetForegroundWindow(window.hwnd());
    return;
  }
  if (!window.Open(instance(), hwnd(), state_.definition(), &state_.image())) {
    ShowFailure(hwnd(), texts::kSettingsOpenFailedText);
    return;
  }
  Enable(IDC_BLOCK_FIRST + block - 1, false);
}

void ParameterToolDialog::OnSettingsClosed(int block, LPARAM /*window*/) {
  if (block < 1 || block > kBlockCount) return;
  ParameterSettingsWindow& window = *settings_[static_cast<size_t>(block - 1)];
  Enable(IDC_BLOCK_FIRST + block - 1, true);
  if (window.applied()) {
    SetButtonFont(IDC_BLOCK_FIRST + block - 1, true);
    Balloon(true, false);
  }
  window.Destroy();
}

// ---- Device read and write ------------------------------------------------------------------------

void ParameterToolDialog::OnDeviceWrite() {
  if (!context_.automatic && !AskYesNo(hwnd(), WriteConfirmText(Editing()), texts::kWriteConfirmCaption)) return;
  WriteToDevice();
}

void ParameterToolDialog::OnDeviceRead() {
  if ((PendingChanges() != 0 || Editing()) &&
      !AskYesNo(hwnd(), std::string(texts::kPendingChangesText) + texts::kReadPendingQuestion,
                texts::kReadPendingCaption)) {
    return;
  }
  if (state_.read_state() < 1) {
    if (ShowMessage(hwnd(), texts::kReadFirstText, texts::kReadConfirmCaption, MB_OKCANCEL | MB_ICONQUESTION) !=
        IDOK) {
      return;
    }
    ReadFromDevice();
    Balloon(false, true);
    return;
  }
  ReadConfirmDialog confirm;
  switch (confirm.Run(instance(), hwnd())) {
    case ReadConfirmDialog::kReadAgain:
      ReadFromDevice();
      Balloon(false, true);
      break;
    case ReadConfirmDialog::kRestore:
      // Back to the state as read, without any device traffic.
      state_.RestoreDeviceCopy();
      RedrawRows();
      TakeOverImage();
      SetButtonFonts(0, false);
      Balloon(false, true);
      break;
    default:
      break;
  }
}

// ---- Reset and assignment -----------------------------------------------------------------------

void ParameterToolDialog::OnResetAll() {
  if (state_.definition() == nullptr) return;
  if (!Confirm(texts::kResetAllPrefix, texts::kResetAllQuestion, texts::kResetAllCaption)) return;
  const std::array<bool, kBlockCount> used = state_.ResetAll();
  for (int value = 0; value < kBlockCount; ++value) {
    if (used[static_cast<size_t>(value)]) SetButtonFont(IDC_LETTER_FIRST + value, true);
  }
  RedrawRows();
  for (int n = 1; n <= kBlockCount; ++n) {
    ParameterSettingsWindow& window = *settings_[static_cast<size_t>(n - 1)];
    window.set_applied(true);
    if (window.IsOpen()) window.Reload(state_.image().Block(n));
  }
  SetButtonFonts(1, true);
  Balloon(true, true);
}

void ParameterToolDialog::OnAssign(int block) {
  const uint8_t value = static_cast<uint8_t>(block - 1);
  const std::vector<int> changed = state_.Assign(list_.SelectedRows(), value);
  if (changed.empty()) return;
  SetButtonFont(IDC_LETTER_FIRST + value, true);
  for (int row : changed) RedrawRow(row);
  Balloon(true, false);
}

void ParameterToolDialog::OnSelectAll() {
  list_.SelectAll();
}

void ParameterToolDialog::OnSelectSameBoard() {
  list_.SelectOnly(state_.SameBoardRows(list_.FocusedRow()));
}

void ParameterToolDialog::ShowChannelMenu(LPARAM position) {
  POINT at = {static_cast<short>(LOWORD(position)), static_cast<short>(HIWORD(position))};
  if (position == -1) GetCursorPos(&at);  // from the keyboard
  TrackPopupMenu(channel_menu_.Get(), TPM_LEFTALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0, hwnd(), nullptr);
}

// ---- System menu, closing -----------------------------------------------------------------------

void ParameterToolDialog::OnSystemCommand(UINT item) {
  switch (item) {
    case IDM_ABOUT:
      ShowAbout();
      break;
    case IDM_AUTO_READ:
      auto_read_ = !auto_read_;
      CheckMenuItem(GetSystemMenu(hwnd(), FALSE), IDM_AUTO_READ,
                    MF_BYCOMMAND | (auto_read_ ? MF_CHECKED : MF_UNCHECKED));
      settings_store_.SetInt("AutoRead", auto_read_ ? 1 : 0);
      break;
    default:
      if (help_) help_->Show(hwnd(), IDD_PARAMETER_TOOL);
      break;
  }
}

void ParameterToolDialog::ShowAbout() {
  AboutBox about(kParameterToolAbout, channel_open_ ? &channel_ : nullptr, OwnProgramName(), own_version_);
  if (state_.definition() != nullptr) about.SetTitle(state_.definition()->title);
  about.SetDefinitionFile(definition_path_);
  about.Run(hwnd(), instance());
}

void ParameterToolDialog::OnClose() {
  OnCloseCommand();
}

void ParameterToolDialog::OnCloseCommand() {
  if ((PendingChanges() != 0 || Editing()) &&
      !AskYesNo(hwnd(), std::string(texts::kPendingChangesText) + texts::kCloseQuestion, texts::kCloseCaption)) {
    return;
  }
  EndWindow();
}

}  // namespace orvex
